#include <cstdio>  // before jpeglib.h, which uses FILE and size_t without them

#include <jpeglib.h>
#include <tiffio.h>

#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "CodecTestSupport.h"
#include "LibjpegFiles.h"

// Real files packed as densely as their encoders can: one colour, written with the longest
// runs, the fewest bits a block, the best deflate level. The guard against decompression
// bombs must let every one of them open, pixel for pixel.
namespace {

using namespace codec_tests;

constexpr QRgb kColor = 0xFF2080C0;

QImage filled(int width, int height, QRgb color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// --- Run-length bitmaps as an encoder writes them: each line in runs of 255 pixels (the
// densest code), ended by an end of line; an end of bitmap after the last.

QByteArray rleBitmap(int width, int height, int bits, std::initializer_list<QRgb> palette,
                     const QByteArray& runs) {
    Bytes info = Bytes()
                     .u32(40, width, height)
                     .u16(1, bits)
                     .u32(bits == 8 ? 1 : 2, runs.size(), 2835, 2835, palette.size(), 0);
    for (QRgb c : palette) info.bgr({c}).u8(0);
    const auto offset = 14 + info.data.size();
    return Bytes().raw("BM").u32(offset + runs.size(), 0, offset).raw(info.data).raw(runs).data;
}

QByteArray oneColorRuns(int width, int height, std::uint8_t value) {
    Bytes runs;
    for (int y = 0; y < height; ++y) {
        for (int left = width; left > 0; left -= 255) runs.u8(std::min(left, 255), value);
        runs.u8(0, y + 1 < height ? 0 : 1);
    }
    return runs.data;
}

// --- JPEG written by libjpeg itself.

struct JpegSettings {
    bool grey = false;
    bool progressive = false;
    bool optimized = false;  // Huffman tables fitted to the image: 1 bit for DC 0 and for EOB
    bool arithmetic = false;
};

QByteArray flatJpeg(int width, int height, QRgb color, JpegSettings settings) {
    std::vector<JSAMPLE> row(std::size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = JSAMPLE(qRed(color));
        row[3 * x + 1] = JSAMPLE(qGreen(color));
        row[3 * x + 2] = JSAMPLE(qBlue(color));
    }
    return codec_tests::libjpegFile(width, height, 3, JCS_RGB, row,
                                    [&](jpeg_compress_struct& info) {
                                        jpeg_set_quality(&info, 75, TRUE);
                                        if (settings.grey)
                                            jpeg_set_colorspace(&info, JCS_GRAYSCALE);
                                        if (settings.progressive) jpeg_simple_progression(&info);
                                        info.optimize_coding = settings.optimized;
                                        info.arith_code = settings.arithmetic;
                                    });
}

// --- TIFF written by libtiff: 8-bit rows of one colour, grey when the colour is. PackBits only
// finds runs of equal bytes, which the RGB samples of one colour do not make.

void writeFlatTiff(const QString& path, int compression, int rowsPerStrip, QRgb color) {
    const bool grey = qRed(color) == qGreen(color) && qGreen(color) == qBlue(color);
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(4000));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(4000));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, grey ? 1 : 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_ADOBE_DEFLATE) TIFFSetField(t, TIFFTAG_ZIPQUALITY, 9);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t(rowsPerStrip));
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 4000; ++x) {
        row.push_back(std::uint8_t(qRed(color)));
        if (!grey) row.insert(row.end(), {std::uint8_t(qGreen(color)), std::uint8_t(qBlue(color))});
    }
    for (int y = 0; y < 4000; ++y) ASSERT_GE(TIFFWriteScanline(t, row.data(), y, 0), 0);
    TIFFClose(t);
}

struct DenseCase {
    const char* name;
    std::function<QImage(const QString& path)> write;  // writes the file, returns its picture
};

void PrintTo(const DenseCase& c, std::ostream* out) { *out << c.name; }

QImage writeBytes(const QString& path, const QByteArray& bytes, QImage picture) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return picture;
}

// A flat JPEG is the same block everywhere, so the large file must decode to the colour the
// same encoder's 16 x 16 file decodes to.
DenseCase flatJpegCase(const char* name, JpegSettings settings) {
    return {name, [=](const QString& path) {
                const QString small = path + QStringLiteral(".small.jpg");
                writeBytes(small, flatJpeg(16, 16, kColor, settings), {});
                const QRgb decoded = decodeFile(small).pixel(0, 0);
                return writeBytes(path, flatJpeg(4000, 4000, kColor, settings),
                                  filled(4000, 4000, decoded));
            }};
}

DenseCase flatTiffCase(const char* name, int compression, int rowsPerStrip, QRgb color = kColor) {
    return {name, [=](const QString& path) {
                writeFlatTiff(path, compression, rowsPerStrip, color);
                return filled(4000, 4000, color);
            }};
}

std::vector<DenseCase> denseFiles() {
    return {
        {"BmpRle8OneColor",
         [](const QString& path) {
             return writeBytes(path,
                               rleBitmap(4000, 100, 8, {K, kColor}, oneColorRuns(4000, 100, 1)),
                               filled(4000, 100, kColor));
         }},
        {"BmpRle4OneColor",
         [](const QString& path) {
             return writeBytes(path,
                               rleBitmap(4000, 100, 4, {K, kColor}, oneColorRuns(4000, 100, 0x11)),
                               filled(4000, 100, kColor));
         }},
        // Deltas to column 1000 of line 1000 (counted from the bottom), four pixels there,
        // the end of the bitmap: 20 bytes for 9 million pixels, within the unspelled allowance.
        {"BmpRle8MostlySkipped",
         [](const QString& path) {
             const QByteArray runs = Bytes()
                                         .u8(0, 2, 255, 255, 0, 2, 255, 255, 0, 2, 255, 255)
                                         .u8(0, 2, 235, 235, 4, 1, 0, 1)
                                         .data;
             QImage picture = filled(3000, 3000, K);
             for (int x = 1000; x < 1004; ++x) picture.setPixel(x, 3000 - 1 - 1000, kColor);
             return writeBytes(path, rleBitmap(3000, 3000, 8, {K, kColor}, runs), picture);
         }},
        flatJpegCase("JpegBaseline", {}),
        // Fitted tables code DC 0 and end of block in 1 bit each: 2 bits a block, the floor.
        flatJpegCase("JpegGreyFittedTables", {.grey = true, .optimized = true}),
        flatJpegCase("JpegFittedTables", {.optimized = true}),
        flatJpegCase("JpegProgressive", {.progressive = true}),
        // 16 million pixels in a few hundred bytes: within the unspelled allowance.
        flatJpegCase("JpegArithmetic", {.arithmetic = true}),
        flatTiffCase("TiffDeflateOneStrip", COMPRESSION_ADOBE_DEFLATE, 4000),
        flatTiffCase("TiffLzwOneStrip", COMPRESSION_LZW, 4000),
        flatTiffCase("TiffPackBitsGrey", COMPRESSION_PACKBITS, 16, qRgb(128, 128, 128)),
    };
}

class DenseFile : public testing::TestWithParam<DenseCase> {};

TEST_P(DenseFile, OpensPixelForPixel) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QString::fromLatin1(GetParam().name));
    const QImage expected = GetParam().write(path);
    const QImage opened = decodeFile(path);
    ASSERT_EQ(opened.size(), expected.size());
    EXPECT_TRUE(opened == expected)
        << "top left " << std::hex << opened.pixel(0, 0) << " for " << expected.pixel(0, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, DenseFile, testing::ValuesIn(denseFiles()), caseName);

}  // namespace
