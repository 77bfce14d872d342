#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EffectTesting.h"
#include "imaging/Error.h"
#include "support/QtPrinting.h"

using namespace imaging;
using namespace imaging::effects;
using namespace effects_test;

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
    EXPECT_EQ(errorNumberOf([] { effectNamed(QStringLiteral("emboss")); }), kInvalidArgument);
}

// One call of an effect, and the error number it must give (0 for none).
struct Call {
    const char* effect;
    std::vector<double> numbers;
    qint32 error;
    bool withSource;
    bool withImage;
};

void PrintTo(const Call& call, std::ostream* out) {
    *out << call.effect << "(";
    for (double n : call.numbers) *out << n << " ";
    *out << ")" << (call.withSource ? "" : " without source")
         << (call.withImage ? "" : " without image");
}

// Calls of one effect with the same outcome, one for each list of numbers.
struct Calls {
    const char* effect;
    std::vector<std::vector<double>> numbers;
    qint32 error = 0;
    bool withSource = true;
    bool withImage = true;
};

std::vector<Call> each(std::initializer_list<Calls> groups) {
    std::vector<Call> calls;
    for (const Calls& g : groups)
        for (const auto& numbers : g.numbers)
            calls.push_back({g.effect, numbers, g.error, g.withSource, g.withImage});
    return calls;
}

// The box kernel followed by the divisor, the channels and the flags.
std::vector<double> box(double divisor, double channels) {
    return {1, 1, 1, 1, 1, 1, 1, 1, 1, divisor, channels, 0, 0, 0};
}

class EffectBadArguments : public ::testing::TestWithParam<Call> {};

TEST_P(EffectBadArguments, GiveTheirErrorAndLeaveTheResultAlone) {
    const Call& call = GetParam();
    const QImage src = call.withImage ? randomImage(5, 4, QImage::Format_ARGB32, 1) : QImage();
    const QImage source = randomImage(3, 3, QImage::Format_RGB32, 2);
    const QImage before = randomImage(2, 3, QImage::Format_RGB32, 3);
    QImage dst = before.copy();
    const uchar* bits = dst.constBits();
    try {
        effectNamed(QString::fromLatin1(call.effect))
            .apply(src, dst, {call.numbers, call.withSource ? &source : nullptr});
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
    ::testing::ValuesIn(each({
        {"flip", {{0}, {2, 0}, {-1, 0}, {0.5, 0}, {0, kNaN}}, kInvalidArgument},
        {"rotate", {{kNaN, 0, 0}, {kInf, 0, 0}, {90, 0}}, kInvalidArgument},
        {"resize",
         {{0, 5, -1, -1, 0},
          {5, -3, -1, -1, 0},
          {0.4, 5, -1, -1, 0},
          {20000, 20000, -1, -1, 0},
          {1e300, 2, -1, -1, 0}},
         kInvalidSize},
        {"crop",
         {{0, 0, 0, 3, 0}, {0, 0, 3, -1, 0}, {5, 0, 3, 3, 0}, {-3, 0, 3, 3, 0}, {0, 4, 3, 3, 0}},
         kInvalidRectangle},
        {"crop", {{0, 0, 3, 3}}, kInvalidArgument},
        {"filter3x3",
         {{0, 0, 0, 0, 1, 0, 0, 0, 0, kNaN, 0},
          {0, 0, 0, 0, 1e10, 0, 0, 0, 0, 1, 0},
          {0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
         kInvalidArgument},
        {"convolve", {box(0, 7), box(9, 8), box(9, -1), box(9, 2.5)}, kInvalidArgument},
        {"sharpen", {{-1, 0}, {1000.5, 0}}, kInvalidArgument},
        {"grayscale", {{}}, kInvalidArgument},
        {"blank", {{0, 5, 0, 0, 0, 0}, {20000, 20000, 0, 0, 0, 0}}, kInvalidSize},
        {"blank",
         {{5, 5, -1, 0, 0, 0}, {5, 5, 0x1000000, 0, 0, 0}, {5, 5, 1.5, 0, 0, 0}},
         kInvalidColor},
        {"merge", {{0, 0, 101, -1, 0}, {0, 0, -0.5, -1, 0}}, kInvalidOpacity},
        {"merge", {{0, 0, 50, -2, 0}, {0, 0, 50, 0x1000000, 0}}, kInvalidColor},
        {"merge", {{kNaN, 0, 50, -1, 0}}, kInvalidArgument},
        {"merge", {{0, 0, 50, -1, 0}}, kNoImage, false},
        // No image to work on.
        {"flip", {{0, 0}}, kNoImage, true, false},
        {"resize", {{5, 5, -1, -1, 0}}, kNoImage, true, false},
        {"grayscale", {{0}}, kNoImage, true, false},
        {"merge", {{0, 0, 50, -1, 0}}, kNoImage, true, false},
    })));

TEST(EffectTable, EmptySourceImageOfAMergeIsNoImage) {
    const QImage src = randomImage(4, 4, QImage::Format_RGB32, 4), empty;
    EXPECT_EQ(errorNumberOf([&] {
                  runEffect(QStringLiteral("merge"), src, {0, 0, 50, -1, 0}, &empty);
              }),
              -2147220838);
    EXPECT_EQ(kNoImage, -2147220838);
}

class EffectThreadCounts : public ::testing::TestWithParam<std::tuple<Call, QImage::Format>> {};

TEST_P(EffectThreadCounts, GivesTheSameBitsWithAndWithoutAvx2OrStreaming) {
    const auto& [run, format] = GetParam();
    // Large enough to be cut into bands for 7 threads, and wider than a streamed chunk.
    const QImage src = randomImage(1031, 131, format, 11);
    const QImage source = randomImage(190, 350, QImage::Format_ARGB32, 12);
    const auto once = [&](int threads, bool avx2, bool streaming, const QImage& shape) {
        const KernelSettings settings(threads, avx2, streaming);
        // A result image full of a pattern no effect makes: a pixel left unwritten shows.
        QImage dst(shape.size(), shape.format());
        dst.fill(0x5a3c1e0fu);
        effectNamed(QString::fromLatin1(run.effect)).apply(src, dst, {run.numbers, &source});
        return dst;
    };
    const QImage reference = once(1, false, false, QImage());
    for (int threads : {1, 2, 7})
        for (bool avx2 : {false, true})
            EXPECT_TRUE(samePixels(reference, once(threads, avx2, threads == 2, reference)))
                << threads << " threads, AVX2 " << avx2;
}

// Every effect, with arguments that reach its special paths.
INSTANTIATE_TEST_SUITE_P(
    AllEffects, EffectThreadCounts,
    ::testing::Combine(
        ::testing::ValuesIn(each({
            {"flip", {{0, 0}, {1, 0}}},
            {"rotate", {{90, 0, 0}, {-90, 0, 0}, {180, 0, 0}, {33, 0, 0}, {-151.5, 0, 0}}},
            {"resize", {{97, 61, -1, -1, 0}, {1203, 297, -1, -1, 0}, {150, 700, -1, -1, 0}}},
            {"crop", {{17, -5, 1000, 100, 0}}},
            {"filter3x3",
             {{-1, -1, -1, -1, 8, -1, -1, -1, -1, -0.3, 0}, {0, 0, 0, 0, 1, 0, 0, 0, 0, -0.5, 0}}},
            {"convolve", {box(9, 5), {1, 2, 1, 2, 4, 2, 1, 2, 1, 16, 7, 0, 0, 0}}},
            {"sharpen", {{35, 0}}},
            {"grayscale", {{0}}},
            {"merge", {{-20, 30, 60, -1, 0}, {250, -9, 100, 0, 0}}},
            {"blank", {{333, 251, 0x123456, 0, 0, 0}}},
        })),
        ::testing::ValuesIn(kFormats)));

TEST(EffectTable, ReusesTheResultImageOfTheSameSize) {
    const QImage src = randomImage(300, 200, QImage::Format_ARGB32, 5);
    const QImage source = randomImage(30, 20, QImage::Format_RGB32, 6);
    for (const EffectEntry& entry : effectTable()) {
        Arguments args{std::vector<double>(size_t(entry.argumentNames.size()), 0), &source};
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

// RGB32 and ARGB32 results keep their format (every pixel comparison checks it); other
// formats come out as ARGB32.
TEST(EffectTable, ConvertsOtherFormatsToArgb32) {
    const QImage premultiplied = randomImage(7, 5, QImage::Format_ARGB32, 7)
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(
        samePixels(premultiplied.convertToFormat(QImage::Format_ARGB32).mirrored(false, true),
                   runEffect(QStringLiteral("flip"), premultiplied, {1, 0})));
}

}  // namespace
