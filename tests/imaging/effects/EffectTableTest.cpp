#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EffectTesting.h"
#include "imaging/Error.h"
#include "imaging/effects/EffectTable.h"
#include "support/QtPrinting.h"

using namespace imaging;
using namespace imaging::effects;
using effects_test::randomImage;
using effects_test::runEffect;
using effects_test::samePixels;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(EffectTable, ListsEveryEffectWithItsCaptionAndArguments) {
    struct Expected {
        const char* name;
        const char* caption;
        int arguments;
        bool needsImage;
        bool needsSource;
    };
    const Expected expected[] = {
        {"flip", "Flip", 2, true, false},         {"rotate", "Rotate", 3, true, false},
        {"resize", "Resize", 5, true, false},     {"crop", "Crop", 5, true, false},
        {"filter3x3", "Filter", 11, true, false}, {"convolve", "Filter", 14, true, false},
        {"sharpen", "Sharpen", 2, true, false},   {"grayscale", "Grayscale", 1, true, false},
        {"blank", "New Image", 6, false, false},  {"merge", "Merge", 5, true, true},
    };
    ASSERT_EQ(effectTable().size(), std::size(expected));
    for (const Expected& e : expected) {
        const EffectEntry& entry = effectNamed(QString::fromLatin1(e.name));
        EXPECT_EQ(entry.caption, QString::fromLatin1(e.caption));
        EXPECT_EQ(entry.argumentNames.size(), e.arguments) << e.name;
        EXPECT_EQ(entry.needsImage, e.needsImage) << e.name;
        EXPECT_EQ(entry.needsSource, e.needsSource) << e.name;
    }
}

TEST(EffectTable, RefusesAnUnknownName) {
    try {
        effectNamed(QStringLiteral("emboss"));
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, kInvalidArgument);
    }
}

// A call with one bad thing about it, and the error number it must give.
struct BadCall {
    const char* effect;
    std::vector<double> numbers;
    qint32 error;
    bool withSource = true;
    bool withImage = true;
};

void PrintTo(const BadCall& call, std::ostream* out) {
    *out << call.effect << "(";
    for (double n : call.numbers) *out << n << " ";
    *out << ")" << (call.withSource ? "" : " without source")
         << (call.withImage ? "" : " without image");
}

class EffectBadArguments : public ::testing::TestWithParam<BadCall> {};

TEST_P(EffectBadArguments, GiveTheirErrorAndLeaveTheResultAlone) {
    const BadCall& call = GetParam();
    const QImage src = call.withImage ? randomImage(5, 4, QImage::Format_ARGB32, 1) : QImage();
    const QImage source = randomImage(3, 3, QImage::Format_RGB32, 2);
    const QImage before = randomImage(2, 3, QImage::Format_RGB32, 3);
    QImage dst = before.copy();
    const uchar* bits = dst.constBits();
    Arguments args;
    args.numbers = call.numbers;
    args.source = call.withSource ? &source : nullptr;
    try {
        effectNamed(QString::fromLatin1(call.effect)).apply(src, dst, args);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, call.error) << error.description.toStdString();
        EXPECT_FALSE(error.description.isEmpty());
    }
    EXPECT_EQ(dst.constBits(), bits);
    EXPECT_TRUE(samePixels(before, dst));
}

INSTANTIATE_TEST_SUITE_P(
    EveryEffect, EffectBadArguments,
    ::testing::Values(
        BadCall{"flip", {0}, kInvalidArgument}, BadCall{"flip", {2, 0}, kInvalidArgument},
        BadCall{"flip", {-1, 0}, kInvalidArgument}, BadCall{"flip", {0.5, 0}, kInvalidArgument},
        BadCall{"flip", {0, kNaN}, kInvalidArgument},
        BadCall{"flip", {0, 0}, kNoImage, true, false},
        BadCall{"rotate", {kNaN, 0, 0}, kInvalidArgument},
        BadCall{"rotate", {kInf, 0, 0}, kInvalidArgument},
        BadCall{"rotate", {90, 0}, kInvalidArgument},
        BadCall{"resize", {0, 5, -1, -1, 0}, kInvalidSize},
        BadCall{"resize", {5, -3, -1, -1, 0}, kInvalidSize},
        BadCall{"resize", {0.4, 5, -1, -1, 0}, kInvalidSize},
        BadCall{"resize", {20000, 20000, -1, -1, 0}, kInvalidSize},
        BadCall{"resize", {1e300, 2, -1, -1, 0}, kInvalidSize},
        BadCall{"resize", {5, 5, -1, -1, 0}, kNoImage, true, false},
        BadCall{"crop", {0, 0, 0, 3, 0}, kInvalidRectangle},
        BadCall{"crop", {0, 0, 3, -1, 0}, kInvalidRectangle},
        BadCall{"crop", {5, 0, 3, 3, 0}, kInvalidRectangle},
        BadCall{"crop", {-3, 0, 3, 3, 0}, kInvalidRectangle},
        BadCall{"crop", {0, 4, 3, 3, 0}, kInvalidRectangle},
        BadCall{"crop", {0, 0, 3, 3}, kInvalidArgument},
        BadCall{"filter3x3", {0, 0, 0, 0, 1, 0, 0, 0, 0, kNaN, 0}, kInvalidArgument},
        BadCall{"filter3x3", {0, 0, 0, 0, 1e10, 0, 0, 0, 0, 1, 0}, kInvalidArgument},
        BadCall{"filter3x3", {0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, kInvalidArgument},
        BadCall{"convolve", {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 7, 0, 0, 0}, kInvalidArgument},
        BadCall{"convolve", {1, 1, 1, 1, 1, 1, 1, 1, 1, 9, 8, 0, 0, 0}, kInvalidArgument},
        BadCall{"convolve", {1, 1, 1, 1, 1, 1, 1, 1, 1, 9, -1, 0, 0, 0}, kInvalidArgument},
        BadCall{"convolve", {1, 1, 1, 1, 1, 1, 1, 1, 1, 9, 2.5, 0, 0, 0}, kInvalidArgument},
        BadCall{"sharpen", {-1, 0}, kInvalidArgument},
        BadCall{"sharpen", {1000.5, 0}, kInvalidArgument},
        BadCall{"grayscale", {}, kInvalidArgument},
        BadCall{"grayscale", {0}, kNoImage, true, false},
        BadCall{"blank", {0, 5, 0, 0, 0, 0}, kInvalidSize},
        BadCall{"blank", {20000, 20000, 0, 0, 0, 0}, kInvalidSize},
        BadCall{"blank", {5, 5, -1, 0, 0, 0}, kInvalidColor},
        BadCall{"blank", {5, 5, 0x1000000, 0, 0, 0}, kInvalidColor},
        BadCall{"blank", {5, 5, 1.5, 0, 0, 0}, kInvalidColor},
        BadCall{"merge", {0, 0, 101, -1, 0}, kInvalidOpacity},
        BadCall{"merge", {0, 0, -0.5, -1, 0}, kInvalidOpacity},
        BadCall{"merge", {0, 0, 50, -2, 0}, kInvalidColor},
        BadCall{"merge", {0, 0, 50, 0x1000000, 0}, kInvalidColor},
        BadCall{"merge", {0, 0, 50, -1, 0}, kNoImage, false},
        BadCall{"merge", {0, 0, 50, -1, 0}, kNoImage, true, false},
        BadCall{"merge", {kNaN, 0, 50, -1, 0}, kInvalidArgument}));

TEST(EffectTable, EmptySourceImageOfAMergeIsNoImage) {
    const QImage src = randomImage(4, 4, QImage::Format_RGB32, 4);
    const QImage empty;
    try {
        runEffect(QStringLiteral("merge"), src, {0, 0, 50, -1, 0}, &empty);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, kNoImage);
        EXPECT_EQ(error.number, -2147220838);
    }
}

// Every effect once, with arguments that reach its special paths.
struct Run {
    const char* effect;
    std::vector<double> numbers;
};

void PrintTo(const Run& run, std::ostream* out) { *out << run.effect; }

class EffectThreadCounts : public ::testing::TestWithParam<std::tuple<Run, QImage::Format>> {};

TEST_P(EffectThreadCounts, GivesTheSameBitsWithAndWithoutAvx2OrStreaming) {
    const auto& [run, format] = GetParam();
    // Large enough to be cut into bands for 7 threads, and wider than a streamed chunk.
    const QImage src = randomImage(1031, 131, format, 11);
    const QImage source = randomImage(190, 350, QImage::Format_ARGB32, 12);
    const auto once = [&](int threads, bool avx2, bool streaming, const QImage& shape) {
        const effects_test::KernelSettings settings(threads, avx2, streaming);
        // A result image full of a pattern no effect makes: a pixel left unwritten shows.
        QImage dst(shape.size(), shape.format());
        dst.fill(0x5a3c1e0fu);
        Arguments args;
        args.numbers = run.numbers;
        args.source = &source;
        effectNamed(QString::fromLatin1(run.effect)).apply(src, dst, args);
        return dst;
    };
    const QImage reference = once(1, false, false, QImage());
    for (int threads : {1, 2, 7})
        for (bool avx2 : {false, true})
            EXPECT_TRUE(samePixels(reference, once(threads, avx2, threads == 2, reference)))
                << threads << " threads, AVX2 " << avx2;
}

INSTANTIATE_TEST_SUITE_P(
    AllEffects, EffectThreadCounts,
    ::testing::Combine(
        ::testing::Values(Run{"flip", {0, 0}}, Run{"flip", {1, 0}}, Run{"rotate", {90, 0, 0}},
                          Run{"rotate", {-90, 0, 0}}, Run{"rotate", {180, 0, 0}},
                          Run{"rotate", {33, 0, 0}}, Run{"rotate", {-151.5, 0, 0}},
                          Run{"resize", {97, 61, -1, -1, 0}}, Run{"resize", {1203, 297, -1, -1, 0}},
                          Run{"resize", {150, 700, -1, -1, 0}}, Run{"crop", {17, -5, 1000, 100, 0}},
                          Run{"filter3x3", {-1, -1, -1, -1, 8, -1, -1, -1, -1, -0.3, 0}},
                          Run{"filter3x3", {0, 0, 0, 0, 1, 0, 0, 0, 0, -0.5, 0}},
                          Run{"convolve", {1, 1, 1, 1, 1, 1, 1, 1, 1, 9, 5, 0, 0, 0}},
                          Run{"convolve", {1, 2, 1, 2, 4, 2, 1, 2, 1, 16, 7, 0, 0, 0}},
                          Run{"sharpen", {35, 0}}, Run{"grayscale", {0}},
                          Run{"merge", {-20, 30, 60, -1, 0}}, Run{"merge", {250, -9, 100, 0, 0}},
                          Run{"blank", {333, 251, 0x123456, 0, 0, 0}}),
        ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32)));

TEST(EffectTable, ReusesTheResultImageOfTheSameSize) {
    const QImage src = randomImage(300, 200, QImage::Format_ARGB32, 5);
    for (const EffectEntry& entry : effectTable()) {
        const QImage source = randomImage(30, 20, QImage::Format_RGB32, 6);
        Arguments args;
        args.source = &source;
        args.numbers.assign(size_t(entry.argumentNames.size()), 0);
        if (entry.name == QLatin1String("resize") || entry.name == QLatin1String("blank"))
            args.numbers[0] = args.numbers[1] = 40;
        if (entry.name == QLatin1String("crop")) args.numbers[2] = args.numbers[3] = 40;
        if (entry.name == QLatin1String("convolve")) args.numbers[9] = 1;
        QImage dst;
        entry.apply(src, dst, args);
        const uchar* bits = dst.constBits();
        entry.apply(src, dst, args);
        EXPECT_EQ(dst.constBits(), bits) << entry.name.toStdString();
    }
}

TEST(EffectTable, KeepsTheFormatAndConvertsOthers) {
    const QImage argb = randomImage(7, 5, QImage::Format_ARGB32, 7);
    EXPECT_EQ(runEffect(QStringLiteral("flip"), argb, {0, 0}).format(), QImage::Format_ARGB32);
    const QImage rgb = randomImage(7, 5, QImage::Format_RGB32, 7);
    EXPECT_EQ(runEffect(QStringLiteral("flip"), rgb, {0, 0}).format(), QImage::Format_RGB32);
    const QImage premultiplied = argb.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage flipped = runEffect(QStringLiteral("flip"), premultiplied, {1, 0});
    EXPECT_TRUE(samePixels(
        premultiplied.convertToFormat(QImage::Format_ARGB32).mirrored(false, true), flipped));
}

}  // namespace
