#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "EffectTesting.h"

using namespace effects_test;

namespace {

// Every 24-bit colour once, with alpha running through its values.
QImage everyColour() {
    return made(4096, 4096, QImage::Format_ARGB32,
                [](int x, int y) { return (quint32(x & 255) << 24) | quint32(y * 4096 + x); });
}

TEST(GrayscaleEffect, IsTheRoundedLumaOfEveryColour) {
    const QImage colours = everyColour();
    const QImage grey = runEffect(QStringLiteral("grayscale"), colours, {0});
    int doubleDisagrees = 0;
    for (int y = 0; y < 4096; ++y)
        for (int x = 0; x < 4096; ++x) {
            const quint32 p = at(colours, x, y);
            const int r = channel(p, 2), g = channel(p, 1), b = channel(p, 0);
            const quint32 luma = quint32(299 * r + 587 * g + 114 * b + 500) / 1000;
            ASSERT_EQ(at(grey, x, y), (p & 0xff000000u) | luma * 0x010101u) << std::hex << p;
            // Evaluated in doubles the formula only differs at exact halves, which its
            // inexact constants round either way.
            if (std::lround(0.299 * r + 0.587 * g + 0.114 * b) != long(luma)) {
                ++doubleDisagrees;
                ASSERT_EQ((299 * r + 587 * g + 114 * b) % 1000, 500);
            }
        }
    EXPECT_EQ(doubleDisagrees, 3464);
    // An opaque image stays opaque.
    const QImage opaque =
        runEffect(QStringLiteral("grayscale"), randomImage(5, 3, QImage::Format_RGB32, 51), {0});
    EXPECT_EQ(opaque.format(), QImage::Format_RGB32);
    EXPECT_EQ(at(opaque, 2, 1) >> 24, 255u);
}

TEST(CountColorsEffect, CountsDistinctColoursIgnoringAlpha) {
    EXPECT_EQ(imaging::effects::countColors(everyColour()), 16777216);
    for (QSize size : {QSize(1, 1), QSize(1, 300), QSize(517, 409)}) {
        QImage image = randomImage(size.width(), size.height(), QImage::Format_ARGB32, 52);
        std::set<quint32> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                auto& p = reinterpret_cast<quint32*>(image.scanLine(y))[x];
                p = (p & 0xff0000ffu) | ((p & 3) << 12);  // few colours, many alphas
                colours.insert(p & 0xffffffu);
            }
        EXPECT_EQ(imaging::effects::countColors(image), qint64(colours.size()));
    }
}

TEST(BlankEffect, FillsANewOpaqueImageWithTheColour) {
    EXPECT_TRUE(
        samePixels(made(3, 2, QImage::Format_RGB32, [](int, int) { return 0xff12ab34u; }),
                   runEffect(QStringLiteral("blank"), QImage(), {3, 2, 0x12ab34, 0, 0, 0})));
}

// The documented blend, worked out pixel by pixel in exact integers.
QImage mergedPlainly(const QImage& target, const QImage& over, int left, int top, int percent,
                     qint64 key) {
    const bool targetOpaque = target.format() == QImage::Format_RGB32;
    return made(target.width(), target.height(), target.format(), [&](int x, int y) {
        const quint32 u = at(target, x, y);
        if (x < left || y < top || x >= left + over.width() || y >= top + over.height()) return u;
        const quint32 o = at(over, x - left, y - top);
        const qint64 s =
            qint64(over.format() == QImage::Format_RGB32 ? 255 : channel(o, 3)) * percent;
        if (qint64(o & 0xffffff) == key || s == 0) return u;
        const qint64 d = targetOpaque ? 255 : channel(u, 3);
        const qint64 alpha = s * 255 + d * (25500 - s);  // over 25500 * 255
        quint32 result = targetOpaque ? 0xff000000u : quint32((alpha + 12750) / 25500) << 24;
        for (int b = 0; b < 3; ++b) {
            const qint64 colour = channel(o, b) * s * 255 + channel(u, b) * d * (25500 - s);
            result |= quint32((colour + alpha / 2) / alpha) << (8 * b);
        }
        return result;
    });
}

class MergeBlends : public ::testing::TestWithParam<std::tuple<QImage::Format, QImage::Format>> {};

TEST_P(MergeBlends, BlendSourceOverAtTheOpacity) {
    const auto& [targetFormat, overFormat] = GetParam();
    const QImage target = randomImage(150, 37, targetFormat, 53);
    QImage over = randomImage(91, 23, overFormat, 54);
    const quint32 key = at(over, 5, 5) & 0xffffff;
    struct Placement {
        int x, y, percent;
        qint64 key;
    };
    for (const Placement& p :
         {Placement{0, 0, 100, -1}, Placement{-7, 20, 50, key}, Placement{100, -4, 37, -1},
          Placement{3, 2, 0, -1}, Placement{149, 36, 100, key}, Placement{-91, 0, 80, -1}}) {
        const double keyNumber = double(p.key);
        EXPECT_TRUE(samePixels(
            mergedPlainly(target, over, p.x, p.y, p.percent, p.key),
            runEffect(QStringLiteral("merge"), target,
                      {double(p.x), double(p.y), double(p.percent), keyNumber, 0}, &over)))
            << p.x << "," << p.y << " at " << p.percent << "%";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, MergeBlends,
                         ::testing::Combine(::testing::ValuesIn(kFormats),
                                            ::testing::ValuesIn(kFormats)));

// The opacity is a whole percentage: 49.6 counts as 50, and a half rounds up.
TEST(MergeEffect, RoundsTheOpacityToAWholePercentage) {
    QImage white(4, 1, QImage::Format_RGB32), black(2, 1, QImage::Format_RGB32);
    white.fill(0xffffffffu);
    black.fill(0xff000000u);
    const QImage half = runEffect(QStringLiteral("merge"), white, {1, 0, 49.6, -1, 0}, &black);
    EXPECT_EQ(at(half, 1, 0), 0xff808080u);
}

}  // namespace
