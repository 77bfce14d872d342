// Error diffusion to a palette: the in-place kernel against a two-buffer textbook version,
// bands that give the same bits at any thread count, and the average tone kept.

#include <gtest/gtest.h>

#include <QImage>
#include <QRandomGenerator>
#include <vector>

#include "imaging/codecs/Dither.h"
#include "imaging/effects/RowBands.h"

namespace {

using imaging::codecs::ditherToPalette;

constexpr int kBandRows = 512;

// Floyd-Steinberg as a textbook writes it, on grey pixels and a black and white palette:
// two error rows, serpentine, errors in sixteenths carried rounded toward zero, each band of
// kBandRows rows starting afresh.
std::vector<std::uint8_t> textbookBlackAndWhite(const QImage& image) {
    const int width = image.width();
    std::vector<std::uint8_t> out(std::size_t(width) * std::size_t(image.height()));
    std::vector<int> here(std::size_t(width) + 2), below(std::size_t(width) + 2);
    for (int y = 0; y < image.height(); ++y) {
        const int row = y % kBandRows;
        if (row == 0) std::fill(here.begin(), here.end(), 0);
        std::fill(below.begin(), below.end(), 0);
        const int step = row % 2 == 0 ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = step > 0 ? i : width - 1 - i;
            const int wanted =
                std::clamp(qGray(image.pixel(x, y)) + here[std::size_t(x + 1)] / 16, 0, 255);
            const int white = wanted >= 128 ? 1 : 0;
            out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = std::uint8_t(white);
            const int miss = wanted - 255 * white;
            here[std::size_t(x + 1 + step)] += 7 * miss;
            below[std::size_t(x + 1 - step)] += 3 * miss;
            below[std::size_t(x + 1)] += 5 * miss;
            below[std::size_t(x + 1 + step)] += miss;
        }
        std::swap(here, below);
    }
    return out;
}

QImage randomGrey(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grey = int(random.bounded(256));
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    return image;
}

const std::vector<QRgb> kBlackAndWhite = {qRgb(0, 0, 0), qRgb(255, 255, 255)};

std::vector<std::uint8_t> dither(const QImage& image, const std::vector<QRgb>& palette) {
    std::vector<std::uint8_t> out(std::size_t(image.width()) * std::size_t(image.height()));
    ditherToPalette(image, palette, out.data());
    return out;
}

class DitherAtThreads : public testing::TestWithParam<int> {
protected:
    void SetUp() override { imaging::effects::setThreadCount(GetParam()); }
    void TearDown() override { imaging::effects::setThreadCount(0); }
};

struct Shape {
    int width, height;
};

TEST_P(DitherAtThreads, MatchesTheTextbookKernelBitForBit) {
    // One pixel, one column, one row, odd sizes, and three bands with a short last one.
    for (const Shape shape :
         {Shape{1, 1}, Shape{1, 9}, Shape{13, 1}, Shape{7, 5}, Shape{33, 1100}}) {
        SCOPED_TRACE(testing::Message() << shape.width << " x " << shape.height);
        const QImage image =
            randomGrey(shape.width, shape.height, quint32(shape.width * 7 + shape.height));
        EXPECT_EQ(dither(image, kBlackAndWhite), textbookBlackAndWhite(image));
    }
}

TEST_P(DitherAtThreads, FlatToneBetweenTwoColoursKeepsItsAverage) {
    for (const int grey : {0, 1, 32, 64, 128, 191, 254, 255}) {
        SCOPED_TRACE(grey);
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(qRgb(grey, grey, grey));
        const std::vector<std::uint8_t> out = dither(image, kBlackAndWhite);
        double white = 0;
        for (const std::uint8_t index : out) white += index;
        EXPECT_NEAR(255.0 * white / double(out.size()), grey, 1.0);
    }
}

TEST_P(DitherAtThreads, PixelsOfThePaletteStayExactly) {
    const std::vector<QRgb> palette = {qRgb(10, 200, 30), qRgb(250, 4, 90), qRgb(0, 0, 255),
                                       qRgb(128, 128, 128)};
    QImage image(61, 700, QImage::Format_RGB32);
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t index = std::uint8_t((x * 3 + y * 5 + x * y) % 4);
            image.setPixel(x, y, palette[index]);
            expected.push_back(index);
        }
    EXPECT_EQ(dither(image, palette), expected);
}

INSTANTIATE_TEST_SUITE_P(Threads, DitherAtThreads, testing::Values(1, 2, 5));

}  // namespace
