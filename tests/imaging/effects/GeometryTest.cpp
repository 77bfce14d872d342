#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "EffectTesting.h"
#include "imaging/effects/RotateBilinear.h"

using namespace effects_test;

namespace {

class GeometryShapes : public ::testing::TestWithParam<std::tuple<QSize, QImage::Format>> {
protected:
    const QImage in = randomImage(std::get<0>(GetParam()).width(), std::get<0>(GetParam()).height(),
                                  std::get<1>(GetParam()), 21);
    const int w = in.width(), h = in.height();
    // The image made from `in` by taking each pixel from where `from` says.
    template <typename From>
    QImage moved(int width, int height, From from) const {
        return made(width, height, in.format(), [&](int x, int y) {
            const auto [fromX, fromY] = from(x, y);
            return at(in, fromX, fromY);
        });
    }
};

TEST_P(GeometryShapes, FlipMirrorsEachWay) {
    EXPECT_TRUE(samePixels(moved(w, h, [&](int x, int y) { return QPoint(w - 1 - x, y); }),
                           runEffect(QStringLiteral("flip"), in, {0, 7})));
    EXPECT_TRUE(samePixels(moved(w, h, [&](int x, int y) { return QPoint(x, h - 1 - y); }),
                           runEffect(QStringLiteral("flip"), in, {1, -3})));
}

TEST_P(GeometryShapes, RightAnglesRearrangePixels) {
    const QImage clockwise = moved(h, w, [&](int x, int y) { return QPoint(y, h - 1 - x); });
    const QImage half = moved(w, h, [&](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); });
    const QImage counter = moved(h, w, [&](int x, int y) { return QPoint(w - 1 - y, x); });
    const std::pair<double, const QImage*> cases[] = {
        {90, &clockwise}, {450, &clockwise}, {-270, &clockwise}, {180, &half}, {-180, &half},
        {270, &counter},  {-90, &counter},   {360, &in},         {0, &in},     {-720, &in}};
    for (const auto& [degrees, expected] : cases)
        EXPECT_TRUE(samePixels(*expected, runEffect(QStringLiteral("rotate"), in, {degrees, 0, 0})))
            << degrees;
}

TEST_P(GeometryShapes, CropKeepsThePartInside) {
    for (const QRect& r : {QRect(0, 0, w, h), QRect(-1, -2, w + 1, h + 2),
                           QRect(w - 1, h - 1, 9, 9), QRect(w - 1, 0, 1, h + 5)})
        EXPECT_TRUE(samePixels(
            in.copy(r.intersected(in.rect())),
            runEffect(QStringLiteral("crop"), in,
                      {double(r.x()), double(r.y()), double(r.width()), double(r.height()), 0})));
}

// The documented turning arithmetic, written out plainly for every output pixel: clockwise,
// on a canvas grown to hold the whole image, the corners white (opaque) or transparent.
QImage turnedPlainly(const QImage& in, double degrees) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const double r = degrees * std::numbers::pi / 180, c = std::cos(r), s = std::sin(r);
    const int width = int(std::ceil(in.width() * std::abs(c) + in.height() * std::abs(s) - 1e-6));
    const int height = int(std::ceil(in.width() * std::abs(s) + in.height() * std::abs(c) - 1e-6));
    const auto fixed = [](double v) { return std::llround(v * 4294967296.0); };
    const double u = 0.5 - width / 2.0, v = 0.5 - height / 2.0;
    const qint64 originX = fixed(u * c + v * s + in.width() / 2.0 - 0.5) + (1 << 24);
    const qint64 originY = fixed(-u * s + v * c + in.height() / 2.0 - 0.5) + (1 << 24);
    const auto source = [&](qint64 x, qint64 y) {
        if (x < 0 || y < 0 || x >= in.width() || y >= in.height()) return opaque ? ~0u : 0u;
        return at(in, int(x), int(y));
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
            const qint64 a = opaque ? 255 : channel(p[i], 3);
            alpha += w[i] * a;
            for (int b = 0; b < 3; ++b) colour[b] += w[i] * a * channel(p[i], b);
        }
        if (alpha == 0) return quint32(0);
        quint32 result = quint32((alpha + 8192) >> 14) << 24;
        for (int b = 0; b < 3; ++b) result |= quint32((colour[b] + alpha / 2) / alpha) << (8 * b);
        return result;
    });
}

TEST_P(GeometryShapes, OtherAnglesInterpolateOnAGrownCanvas) {
    for (double degrees : {33.0, -33.0, 45.0, 0.5, 89.99, 135.0, 200.25, 300.0, 1000.0})
        EXPECT_TRUE(samePixels(turnedPlainly(in, std::fmod(degrees + 360, 360)),
                               runEffect(QStringLiteral("rotate"), in, {degrees, 0, 0})))
            << degrees;
}

INSTANTIATE_TEST_SUITE_P(OddSizes, GeometryShapes,
                         ::testing::Combine(::testing::Values(QSize(1, 1), QSize(1, 9), QSize(9, 1),
                                                              QSize(2, 2), QSize(7, 5),
                                                              QSize(23, 18), QSize(64, 33)),
                                            ::testing::ValuesIn(kFormats)));

TEST(RotateEffect, CanvasHoldsTheWholeTurnedImage) {
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(6000, 4000), 33), QSize(7211, 6623));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(100, 100), 45), QSize(142, 142));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(10, 1), 60), QSize(6, 10));
    EXPECT_EQ(imaging::effects::rotatedCanvas(QSize(1, 1), 30), QSize(2, 2));
}

// weight[i][k]: how much input k counts towards output i along an axis, out of 2^14.
std::vector<std::vector<qint64>> plainWeights(qint64 from, qint64 to) {
    std::vector<std::vector<qint64>> weight(size_t(to), std::vector<qint64>(size_t(from), 0));
    for (qint64 i = 0; i < to; ++i) {
        if (to < from) {
            // Covered lengths in units of 1/to of an input pixel, rounded as running totals.
            qint64 covered = 0, before = 0;
            for (qint64 k = 0; k < from; ++k) {
                covered += std::max<qint64>(
                    0, std::min((k + 1) * to, (i + 1) * from) - std::max(k * to, i * from));
                const qint64 upTo = (covered * 16384 + from / 2) / from;
                weight[i][k] = upTo - before;
                before = upTo;
            }
            continue;
        }
        // Centre i + 1/2 lands at input p / q - 1/2 from the left edge.
        const qint64 p = (2 * i + 1) * from - to, q = 2 * to;
        if (p <= 0 || from == 1) {
            weight[i][0] = 16384;
        } else if (p / q >= from - 1) {
            weight[i][from - 1] = 16384;
        } else {
            const qint64 right = ((p % q) * 16384 + q / 2) / q;
            weight[i][p / q] = 16384 - right;
            weight[i][p / q + 1] = right;
        }
    }
    return weight;
}

QImage resizedPlainly(const QImage& in, int width, int height) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const auto down = plainWeights(in.height(), height);
    const auto along = plainWeights(in.width(), width);
    const auto premultiplied = [&](int x, int y, int byte) {
        const qint64 a = opaque ? 255 : channel(at(in, x, y), 3);
        return byte == 3 ? a * 255 : channel(at(in, x, y), byte) * a;
    };
    return made(width, height, in.format(), [&](int X, int Y) {
        qint64 sum[4] = {0, 0, 0, 0};
        for (int x = 0; x < in.width(); ++x) {
            if (!along[X][x]) continue;
            for (int b = 0; b < 4; ++b) {
                qint64 column = 0;
                for (int y = 0; y < in.height(); ++y) column += down[Y][y] * premultiplied(x, y, b);
                sum[b] += along[X][x] * ((column + 8192) >> 14);
            }
        }
        const qint64 unit = 255 * 16384;
        quint32 pixel = quint32((sum[3] + unit / 2) / unit) << 24;
        for (int b = 0; b < 3 && sum[3]; ++b)
            pixel |= quint32((255 * sum[b] + sum[3] / 2) / sum[3]) << (8 * b);
        return pixel;
    });
}

class ResizeSizes : public ::testing::TestWithParam<std::tuple<QSize, QSize, QImage::Format>> {};

TEST_P(ResizeSizes, FollowTheDocumentedArithmetic) {
    const auto& [from, to, format] = GetParam();
    const QImage in = randomImage(from.width(), from.height(), format, 41);
    EXPECT_TRUE(samePixels(resizedPlainly(in, to.width(), to.height()),
                           runEffect(QStringLiteral("resize"), in,
                                     {double(to.width()), double(to.height()), -1, -1, 0})));
}

INSTANTIATE_TEST_SUITE_P(
    ShrinkGrowAndMixed, ResizeSizes,
    ::testing::Combine(::testing::Values(QSize(1, 1), QSize(7, 5), QSize(23, 1), QSize(1, 19),
                                         QSize(40, 31)),
                       ::testing::Values(QSize(1, 1), QSize(3, 2), QSize(9, 4), QSize(3, 41),
                                         QSize(57, 13), QSize(81, 77)),
                       ::testing::ValuesIn(kFormats)));

// Whatever the rounding of the weights, a flat colour stays exactly that colour.
TEST(ResizeEffect, KeepsFlatColoursExactlyAndTheSameSizeUntouched) {
    for (quint32 alpha : {1u, 77u, 255u}) {
        const quint32 colour = (alpha << 24) | 0x12fe01;
        const QImage flat = made(13, 7, QImage::Format_ARGB32, [&](int, int) { return colour; });
        for (QSize size : {QSize(5, 3), QSize(31, 2), QSize(1, 40)})
            EXPECT_TRUE(
                samePixels(made(size.width(), size.height(), QImage::Format_ARGB32,
                                [&](int, int) { return colour; }),
                           runEffect(QStringLiteral("resize"), flat,
                                     {double(size.width()), double(size.height()), -1, -1, 0})));
    }
    const QImage in = randomImage(9, 6, QImage::Format_ARGB32, 42);
    EXPECT_TRUE(samePixels(in, runEffect(QStringLiteral("resize"), in, {9, 6, -1, -1, 0})));
}

}  // namespace
