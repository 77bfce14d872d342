#include <gtest/gtest.h>

#include "EffectTesting.h"

using effects_test::channel;
using effects_test::randomImage;
using effects_test::runEffect;
using effects_test::samePixels;

namespace {

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
        } else {
            // Centre i + 1/2 lands at input p / (2 to) - 1/2 ... written as p / q from the left
            // edge.
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
    }
    return weight;
}

QImage resizedPlainly(const QImage& in, int width, int height) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const auto down = plainWeights(in.height(), height);
    const auto along = plainWeights(in.width(), width);
    const auto premultiplied = [&](int x, int y, int byte) {
        const quint32 p = reinterpret_cast<const quint32*>(in.constScanLine(y))[x];
        const qint64 a = opaque ? 255 : channel(p, 3);
        return byte == 3 ? a * 255 : channel(p, byte) * a;
    };
    QImage out(width, height, in.format());
    for (int Y = 0; Y < height; ++Y)
        for (int X = 0; X < width; ++X) {
            qint64 sum[4] = {0, 0, 0, 0};
            for (int x = 0; x < in.width(); ++x) {
                if (!along[X][x]) continue;
                for (int b = 0; b < 4; ++b) {
                    qint64 column = 0;
                    for (int y = 0; y < in.height(); ++y)
                        column += down[Y][y] * premultiplied(x, y, b);
                    sum[b] += along[X][x] * ((column + 8192) >> 14);
                }
            }
            const qint64 unit = 255 * 16384;
            quint32 pixel = quint32((sum[3] + unit / 2) / unit) << 24;
            for (int b = 0; b < 3 && sum[3]; ++b)
                pixel |= quint32((255 * sum[b] + sum[3] / 2) / sum[3]) << (8 * b);
            reinterpret_cast<quint32*>(out.scanLine(Y))[X] = pixel;
        }
    return out;
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
                       ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32)),
    [](const auto& info) {
        const QSize from = std::get<0>(info.param);
        const QSize to = std::get<1>(info.param);
        return std::to_string(from.width()) + "x" + std::to_string(from.height()) + "_to_" +
               std::to_string(to.width()) + "x" + std::to_string(to.height()) +
               (std::get<2>(info.param) == QImage::Format_RGB32 ? "_rgb" : "_argb");
    });

TEST(ResizeEffect, AveragesWholeBlocksAndKeepsFlatColoursExactly) {
    QImage blocks(4, 2, QImage::Format_RGB32);
    const quint32 pixels[2][4] = {{0xff000000, 0xff040404, 0xffff0000, 0xffff0000},
                                  {0xff080808, 0xff0c0d0e, 0xff0000ff, 0xff0000fe}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<quint32*>(blocks.scanLine(y))[x] = pixels[y][x];
    const QImage half = runEffect(QStringLiteral("resize"), blocks, {2, 1, -1, -1, 0});
    EXPECT_EQ(half.pixel(0, 0), 0xff060607u);  // (0+4+8+12)/4, (0+4+8+13)/4 = 6.25, 7.0
    EXPECT_EQ(half.pixel(1, 0), 0xff80007fu);  // red 127.5 and blue 127.25, rounded
    for (quint32 alpha : {1u, 77u, 255u}) {
        QImage flat(13, 7, QImage::Format_ARGB32);
        flat.fill(QColor::fromRgba((alpha << 24) | 0x12fe01));
        for (QSize size : {QSize(5, 3), QSize(31, 2), QSize(1, 40)}) {
            QImage expected(size, QImage::Format_ARGB32);
            expected.fill(QColor::fromRgba((alpha << 24) | 0x12fe01));
            EXPECT_TRUE(samePixels(
                expected, runEffect(QStringLiteral("resize"), flat,
                                    {double(size.width()), double(size.height()), -1, -1, 0})));
        }
    }
}

TEST(ResizeEffect, LeavesTheSameSizeUntouchedAndTransparentPixelsUntinted) {
    const QImage in = randomImage(9, 6, QImage::Format_ARGB32, 42);
    EXPECT_TRUE(samePixels(in, runEffect(QStringLiteral("resize"), in, {9, 6, -1, -1, 0})));
    // Opaque red beside invisible green: the mix is red, half transparent.
    QImage pair(2, 1, QImage::Format_ARGB32);
    pair.setPixel(0, 0, 0xffff0000u);
    pair.setPixel(1, 0, 0x0000ff00u);
    EXPECT_EQ(runEffect(QStringLiteral("resize"), pair, {1, 1, -1, -1, 0}).pixel(0, 0),
              0x80ff0000u);
}

}  // namespace
