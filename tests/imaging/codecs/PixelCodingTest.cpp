#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>

#include "imaging/ImagingTesting.h"
#include "imaging/codecs/Dither.h"
#include "imaging/codecs/PngCodec.h"

// Error diffusion against a textbook version, and PNGs compressed in strips on every core read
// back by an independent reader: the same bits at any thread count.
namespace {

using namespace imaging_testing;

constexpr int kBandRows = 512;

// Floyd-Steinberg as a textbook writes it, on grey pixels and a black and white palette: two
// error rows, serpentine, errors in sixteenths carried rounded toward zero, each band of
// kBandRows rows starting afresh.
std::vector<std::uint8_t> textbookBlackAndWhite(const QImage& image) {
    const int width = image.width();
    std::vector<std::uint8_t> out;
    std::vector<int> here(std::size_t(width) + 2), below(here.size());
    for (int y = 0; y < image.height(); ++y) {
        const int row = y % kBandRows, step = row % 2 == 0 ? 1 : -1;
        if (row == 0) std::fill(here.begin(), here.end(), 0);
        std::fill(below.begin(), below.end(), 0);
        std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
        for (int i = 0; i < width; ++i) {
            const int x = step > 0 ? i : width - 1 - i;
            const int wanted = std::clamp(qGray(image.pixel(x, y)) + here[x + 1] / 16, 0, 255);
            line[x] = wanted >= 128 ? 1 : 0;
            const int miss = wanted - 255 * line[x];
            here[x + 1 + step] += 7 * miss;
            below[x + 1 - step] += 3 * miss;
            below[x + 1] += 5 * miss;
            below[x + 1 + step] += miss;
        }
        out.insert(out.end(), line.begin(), line.end());
        std::swap(here, below);
    }
    return out;
}

TEST(Dither, MatchesTheTextbookKernelBitForBitAtAnyThreadCount) {
    for (const QSize size :
         {QSize(1, 1), QSize(1, 9), QSize(13, 1), QSize(7, 5), QSize(33, 1100)}) {
        QRandomGenerator random(quint32(size.width() * 7 + size.height()));
        const QImage image = made(size.width(), size.height(), QImage::Format_RGB32, [&](int, int) {
            return qRgb(0, 0, 0) + 0x010101u * random.bounded(256);
        });
        for (int threads : {1, 2, 5}) {
            const KernelSettings settings(threads);
            std::vector<std::uint8_t> out(std::size_t(size.width() * size.height()));
            imaging::codecs::ditherToPalette(image, {qRgb(0, 0, 0), qRgb(255, 255, 255)},
                                             out.data());
            EXPECT_EQ(out, textbookBlackAndWhite(image)) << size << " at " << threads;
        }
    }
}

// Above the size from which PNGs are compressed in strips, with runs of one colour among
// noise so that deflate's matches and literals cross the strips' borders; a wrong Adler-32 or
// a broken join fails the read.
TEST(PngStrips, AreReadBackPixelForPixelByAnIndependentReader) {
    const std::tuple<int, int, bool, int> shapes[] = {{1001, 1000, false, 1},
                                                      {1001, 1000, true, 7},
                                                      {500001, 3, false, 8},
                                                      {999999, 2, true, 4},
                                                      {2, 999999, false, 3}};
    for (const auto& [width, height, alpha, threads] : shapes) {
        const KernelSettings settings(threads);
        QRandomGenerator random(7);
        QImage image = made(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
                            [&, alpha = alpha](int x, int y) {
                                return (x / 64 + y) % 3 == 0
                                           ? qRgba(10, 200, 30, 255)
                                           : random.generate() | (alpha ? 0 : 0xff000000u);
                            });
        image.setDotsPerMeterX(2835);
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        imaging::codecs::encodePng(image, false, file);
        file.close();
        file.open(QIODevice::ReadOnly);
        QImageReader reader(&file, "png");
        reader.setAllocationLimit(0);
        const QImage read = reader.read();
        ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(read.convertToFormat(image.format()), image) << width << "x" << height;
        EXPECT_EQ(read.dotsPerMeterX(), 2835);
    }
}

}  // namespace
