#include <gtest/gtest.h>

#include "showlist/ViewTime.h"

namespace {

struct Conversion {
    showlist::FieldValue stored;
    std::optional<int> ticks;
};

class ViewTimeConversion : public ::testing::TestWithParam<Conversion> {};

TEST_P(ViewTimeConversion, ReadsTheStoredTextAsA16BitCount) {
    const auto result = showlist::toInt16(GetParam().stored);
    ASSERT_EQ(result.has_value(), GetParam().ticks.has_value());
    if (result) {
        EXPECT_EQ(*result, *GetParam().ticks);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ViewTimeConversion,
    ::testing::Values(
        Conversion{QStringLiteral("15"), 15}, Conversion{QStringLiteral(" 240 "), 240},
        Conversion{QStringLiteral("0"), 0}, Conversion{QStringLiteral("-5"), -5},
        Conversion{QStringLiteral("2.5"), 2}, Conversion{QStringLiteral("3.5"), 4},
        Conversion{QStringLiteral("-2.5"), -2}, Conversion{QStringLiteral("1e2"), 100},
        Conversion{QStringLiteral("32767"), 32767}, Conversion{QStringLiteral("-32768"), -32768},
        Conversion{QStringLiteral("32768"), std::nullopt},
        Conversion{QStringLiteral("-32769"), std::nullopt},
        Conversion{QStringLiteral("1e9"), std::nullopt},
        Conversion{QStringLiteral("abc"), std::nullopt},
        Conversion{QStringLiteral("12abc"), std::nullopt},
        Conversion{QStringLiteral("nan"), std::nullopt},
        Conversion{QStringLiteral(""), std::nullopt},
        Conversion{QStringLiteral("   "), std::nullopt}, Conversion{std::nullopt, std::nullopt}));

}  // namespace
