#include <gtest/gtest.h>
#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>

#include "imaging/codecs/PngCodec.h"
#include "imaging/effects/RowBands.h"

namespace {

// A picture above the size from which PNGs are compressed in strips on every core.
struct StripCase {
    const char* name;
    int width, height;
    bool alpha;
    int threads;
};

void PrintTo(const StripCase& c, std::ostream* out) { *out << c.name; }

QImage noise(const StripCase& c) {
    QImage image(c.width, c.height, c.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < c.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        // Runs of one colour among noise, so that both deflate's matches and its literals
        // cross the strips' borders.
        for (int x = 0; x < c.width; ++x)
            row[x] = (x / 64 + y) % 3 == 0 ? qRgba(10, 200, 30, 255)
                                           : random.generate() | (c.alpha ? 0 : 0xff000000u);
    }
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(3780);
    return image;
}

class PngStrips : public ::testing::TestWithParam<StripCase> {
protected:
    void TearDown() override { imaging::effects::setThreadCount(0); }
};

// Read back by Qt's own PNG reader, independent of our writer: the same pixels and resolution
// at any number of strips, as one valid zlib stream (a wrong Adler-32 or a broken join fails
// the read).
TEST_P(PngStrips, ReadBackPixelForPixelByAnIndependentReader) {
    const StripCase& c = GetParam();
    imaging::effects::setThreadCount(c.threads);
    const QImage image = noise(c);
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    imaging::codecs::encodePng(image, false, file);
    file.close();
    file.open(QIODevice::ReadOnly);
    QImageReader reader(&file, "png");
    reader.setAllocationLimit(0);
    const QImage read = reader.read();
    ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(read.convertToFormat(image.format()), image);
    EXPECT_EQ(read.dotsPerMeterX(), 2835);
    EXPECT_EQ(read.dotsPerMeterY(), 3780);
}

INSTANTIATE_TEST_SUITE_P(, PngStrips,
                         ::testing::Values(StripCase{"OneStrip", 1001, 1000, false, 1},
                                           StripCase{"TwoStrips", 1001, 1000, false, 2},
                                           StripCase{"SevenStripsWithAlpha", 1001, 1000, true, 7},
                                           StripCase{"MoreThreadsThanRows", 500001, 3, false, 8},
                                           StripCase{"OneRowPerStrip", 999999, 2, true, 4},
                                           StripCase{"NarrowAndTall", 2, 999999, false, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
