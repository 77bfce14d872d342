#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "EffectTesting.h"
#include "imaging/effects/RotateBilinear.h"

using effects_test::randomImage;
using effects_test::runEffect;
using effects_test::samePixels;

namespace {

const QImage::Format kFormats[] = {QImage::Format_RGB32, QImage::Format_ARGB32};

quint32 at(const QImage& image, int x, int y) {
    return reinterpret_cast<const quint32*>(image.constScanLine(y))[x];
}

// An image made pixel by pixel from a function of the output position.
template <typename Pixel>
QImage made(int width, int height, QImage::Format format, Pixel pixel) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            reinterpret_cast<quint32*>(image.scanLine(y))[x] = pixel(x, y);
    return image;
}

class GeometryShapes : public ::testing::TestWithParam<std::tuple<QSize, QImage::Format>> {
protected:
    QImage src() const {
        const auto& [size, format] = GetParam();
        return randomImage(size.width(), size.height(), format, 21);
    }
};

TEST_P(GeometryShapes, FlipMirrorsEachWay) {
    const QImage in = src();
    const int w = in.width(), h = in.height();
    EXPECT_TRUE(
        samePixels(made(w, h, in.format(), [&](int x, int y) { return at(in, w - 1 - x, y); }),
                   runEffect(QStringLiteral("flip"), in, {0, 7})));
    EXPECT_TRUE(
        samePixels(made(w, h, in.format(), [&](int x, int y) { return at(in, x, h - 1 - y); }),
                   runEffect(QStringLiteral("flip"), in, {1, -3})));
}

TEST_P(GeometryShapes, RightAnglesRearrangePixels) {
    const QImage in = src();
    const int w = in.width(), h = in.height();
    const QImage clockwise =
        made(h, w, in.format(), [&](int x, int y) { return at(in, y, h - 1 - x); });
    const QImage half =
        made(w, h, in.format(), [&](int x, int y) { return at(in, w - 1 - x, h - 1 - y); });
    const QImage counter =
        made(h, w, in.format(), [&](int x, int y) { return at(in, w - 1 - y, x); });
    const std::pair<double, const QImage*> cases[] = {
        {90, &clockwise}, {450, &clockwise}, {-270, &clockwise}, {180, &half}, {-180, &half},
        {270, &counter},  {-90, &counter},   {360, &in},         {0, &in},     {-720, &in}};
    for (const auto& [degrees, expected] : cases)
        EXPECT_TRUE(samePixels(*expected, runEffect(QStringLiteral("rotate"), in, {degrees, 0, 0})))
            << degrees;
}

TEST_P(GeometryShapes, CropKeepsThePartInside) {
    const QImage in = src();
    const int w = in.width(), h = in.height();
    const QRect rects[] = {
        {0, 0, w, h}, {-1, -2, w + 1, h + 2}, {w - 1, h - 1, 9, 9}, {w - 1, 0, 1, h + 5}};
    for (const QRect& rect : rects) {
        const QRect inside = rect.intersected(in.rect());
        EXPECT_TRUE(samePixels(in.copy(inside),
                               runEffect(QStringLiteral("crop"), in,
                                         {double(rect.x()), double(rect.y()), double(rect.width()),
                                          double(rect.height()), 0})));
    }
}

// The documented turning arithmetic, written out plainly for every output pixel.
QImage turnedPlainly(const QImage& in, double degrees) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const quint32 background = opaque ? 0xffffffffu : 0;
    const double r = degrees * std::numbers::pi / 180, c = std::cos(r), s = std::sin(r);
    const int width = int(std::ceil(in.width() * std::abs(c) + in.height() * std::abs(s) - 1e-6));
    const int height = int(std::ceil(in.width() * std::abs(s) + in.height() * std::abs(c) - 1e-6));
    const auto fixed = [](double v) { return std::llround(v * 4294967296.0); };
    const double u = 0.5 - width / 2.0, v = 0.5 - height / 2.0;
    const qint64 originX = fixed(u * c + v * s + in.width() / 2.0 - 0.5) + (1 << 24);
    const qint64 originY = fixed(-u * s + v * c + in.height() / 2.0 - 0.5) + (1 << 24);
    const auto source = [&](qint64 x, qint64 y) {
        return x < 0 || y < 0 || x >= in.width() || y >= in.height() ? background
                                                                     : at(in, int(x), int(y));
    };
    return made(width, height, in.format(), [&](int X, int Y) {
        const qint64 fx = originX + X * fixed(c) + Y * fixed(s);
        const qint64 fy = originY - X * fixed(s) + Y * fixed(c);
        const qint64 x = fx >> 32, y = fy >> 32;
        const int ax = int((fx >> 25) & 127), ay = int((fy >> 25) & 127);
        const quint32 p[4] = {source(x, y), source(x + 1, y), source(x, y + 1),
                              source(x + 1, y + 1)};
        const qint64 w[4] = {(128 - ax) * (128 - ay), ax * (128 - ay), (128 - ax) * ay, ax * ay};
        qint64 alpha = 0, colour[3] = {0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            const qint64 a = opaque ? 255 : effects_test::channel(p[i], 3);
            alpha += w[i] * a;
            for (int b = 0; b < 3; ++b) colour[b] += w[i] * a * effects_test::channel(p[i], b);
        }
        if (alpha == 0) return quint32(0);
        quint32 result = quint32((alpha + 8192) >> 14) << 24;
        for (int b = 0; b < 3; ++b) result |= quint32((colour[b] + alpha / 2) / alpha) << (8 * b);
        return result;
    });
}

TEST_P(GeometryShapes, OtherAnglesInterpolateOnAGrownCanvas) {
    const QImage in = src();
    for (double degrees : {33.0, -33.0, 45.0, 0.5, 89.99, 135.0, 200.25, 300.0, 1000.0})
        EXPECT_TRUE(samePixels(turnedPlainly(in, std::fmod(degrees + 360, 360)),
                               runEffect(QStringLiteral("rotate"), in, {degrees, 0, 0})))
            << degrees;
}

INSTANTIATE_TEST_SUITE_P(
    OddSizes, GeometryShapes,
    ::testing::Combine(::testing::Values(QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(2, 2),
                                         QSize(7, 5), QSize(23, 18), QSize(64, 33)),
                       ::testing::ValuesIn(kFormats)),
    [](const auto& info) {
        const QSize size = std::get<0>(info.param);
        return std::to_string(size.width()) + "x" + std::to_string(size.height()) +
               (std::get<1>(info.param) == QImage::Format_RGB32 ? "_rgb" : "_argb");
    });

TEST(RotateEffect, CanvasHoldsTheWholeTurnedImage) {
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(6000, 4000), 33), QSize(7211, 6623));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(100, 100), 45), QSize(142, 142));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(10, 1), 60), QSize(6, 10));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(1, 1), 30), QSize(2, 2));
}

TEST(RotateEffect, KeepsAFlatImageFlatAndFillsTheCorners) {
    for (QImage::Format format : kFormats) {
        QImage flat(41, 31, format);
        flat.fill(QColor(10, 200, 77));
        const QImage turned = runEffect(QStringLiteral("rotate"), flat, {30, 0, 0});
        const quint32 corner = format == QImage::Format_RGB32 ? 0xffffffffu : 0u;
        EXPECT_EQ(at(turned, 0, 0), corner);
        EXPECT_EQ(at(turned, turned.width() - 1, turned.height() - 1), corner);
        EXPECT_EQ(at(turned, turned.width() / 2, turned.height() / 2), 0xff0ac84du);
        EXPECT_EQ(at(turned, turned.width() / 2 + 9, turned.height() / 2 - 7), 0xff0ac84du);
    }
}

TEST(RotateEffect, TurnsClockwise) {
    // A dot right of the centre of a white square lands below the centre.
    QImage square(21, 21, QImage::Format_RGB32);
    square.fill(Qt::white);
    reinterpret_cast<quint32*>(square.scanLine(10))[18] = 0xff000000u;
    const QImage turned = runEffect(QStringLiteral("rotate"), square, {10, 0, 0});
    const int cx = turned.width() / 2, cy = turned.height() / 2;
    const double r = 10 * std::numbers::pi / 180;
    const int dotX = cx + int(std::lround(8 * std::cos(r))),
              dotY = cy + int(std::lround(8 * std::sin(r)));
    EXPECT_LT(effects_test::channel(at(turned, dotX, dotY), 0), 128);
}

}  // namespace
