#include <gtest/gtest.h>

#include "platform/Prompter.h"

namespace {

TEST(FileDialogFilter, PairsOfCaptionAndPatternsBecomeQtNameFilters) {
    EXPECT_EQ(platform::toQtNameFilters(QStringLiteral("Images|*.bmp")),
              QStringList{QStringLiteral("Images (*.bmp)")});
    EXPECT_EQ(platform::toQtNameFilters(QStringLiteral("Pictures|*.jpg;*.png|All|*.*")),
              (QStringList{QStringLiteral("Pictures (*.jpg *.png)"), QStringLiteral("All (*.*)")}));
    EXPECT_TRUE(platform::toQtNameFilters(QStringLiteral("Dangling")).isEmpty());
}

}  // namespace
