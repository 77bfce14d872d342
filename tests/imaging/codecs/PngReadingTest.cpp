#include <png.h>

#include <QDir>
#include <QtEndian>
#include <functional>

#include "CodecTestSupport.h"

// PNG files of every colour type and depth, written by libpng itself, read back against the
// samples they were made from; and damaged files, refused with libpng's reason.
namespace {

using namespace codec_tests;
using namespace imaging;  // the format codes and error numbers

constexpr int kWidth = 13, kHeight = 7;  // odd sizes: partial bytes and partial Adam7 passes

struct PngCase {
    const char* name;
    int colorType;
    int depth;
    bool withTrns;  // a transparent colour, or palette alphas
    bool interlaced;
    bool opaqueTrns = false;  // palette alphas that are all 255
};

void PrintTo(const PngCase& c, std::ostream* out) { *out << c.name; }

int channelsOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;
    }
}

// The sample of channel `c` at (x, y), spread over the depth's whole range.
unsigned sampleAt(int x, int y, int c, int depth) {
    const unsigned mixed = unsigned(x * 37 + y * 101 + c * 53 + x * y * 11);
    return depth == 16 ? (mixed * 4099u + 17u) & 0xFFFF : mixed % (1u << depth);
}

constexpr int kPaletteSize = 16;
QRgb paletteColor(int i) { return qRgb(i * 53 % 256, i * 101 % 256, i * 197 % 256); }
int paletteAlpha(const PngCase& c, int i) { return c.opaqueTrns ? 255 : i * 37 % 256; }
constexpr int kTransparentEntries = 5;

// libpng stores every sample as given; nothing else of the file is set.
QByteArray pngFile(const PngCase& c) {
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t size) {
            static_cast<QByteArray*>(png_get_io_ptr(p))
                ->append(reinterpret_cast<const char*>(data), qsizetype(size));
        },
        nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, c.depth, c.colorType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[kPaletteSize];
    png_byte alphas[kTransparentEntries];
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = std::min(kPaletteSize, 1 << c.depth);
        for (int i = 0; i < entries; ++i)
            palette[i] = {png_byte(qRed(paletteColor(i))), png_byte(qGreen(paletteColor(i))),
                          png_byte(qBlue(paletteColor(i)))};
        png_set_PLTE(png, info, palette, entries);
        for (int i = 0; i < kTransparentEntries; ++i) alphas[i] = png_byte(paletteAlpha(c, i));
        if (c.withTrns) png_set_tRNS(png, info, alphas, kTransparentEntries, nullptr);
    } else if (c.withTrns) {
        // The colour of the top left pixel is the transparent one.
        png_color_16 transparent{};
        transparent.gray = png_uint_16(sampleAt(0, 0, 0, c.depth));
        transparent.red = png_uint_16(sampleAt(0, 0, 0, c.depth));
        transparent.green = png_uint_16(sampleAt(0, 0, 1, c.depth));
        transparent.blue = png_uint_16(sampleAt(0, 0, 2, c.depth));
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    const int channels = channelsOf(c.colorType);
    const int bitsPerRow = kWidth * channels * c.depth;
    std::vector<std::vector<png_byte>> rows(kHeight,
                                            std::vector<png_byte>(std::size_t(bitsPerRow + 7) / 8));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int ch = 0; ch < channels; ++ch) {
                unsigned v = sampleAt(x, y, ch, c.depth);
                if (c.colorType == PNG_COLOR_TYPE_PALETTE) v %= unsigned(1 << std::min(c.depth, 4));
                const int bit = (x * channels + ch) * c.depth;
                auto& row = rows[std::size_t(y)];
                if (c.depth == 16) {
                    row[std::size_t(bit / 8)] = png_byte(v >> 8);
                    row[std::size_t(bit / 8 + 1)] = png_byte(v);
                } else {
                    row[std::size_t(bit / 8)] |= png_byte(v << (8 - c.depth - bit % 8));
                }
            }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

int to8Bits(unsigned v, int depth) {
    if (depth == 16) return int(std::lround(v / 257.0));
    return int(v * 255 / ((1u << depth) - 1));
}

// The picture the samples make, worked out plainly.
QImage expectedPicture(const PngCase& c) {
    const bool palette = c.colorType == PNG_COLOR_TYPE_PALETTE;
    const bool alpha = (c.colorType & PNG_COLOR_MASK_ALPHA) || (c.withTrns && !c.opaqueTrns);
    QImage image(kWidth, kHeight, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const bool grey = !(c.colorType & PNG_COLOR_MASK_COLOR);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto s = [&](int ch) { return sampleAt(x, y, ch, c.depth); };
            QRgb pixel = 0;
            if (palette) {
                const int i = int(s(0) % unsigned(1 << std::min(c.depth, 4)));
                const int a = c.withTrns && i < kTransparentEntries ? paletteAlpha(c, i) : 255;
                pixel = (paletteColor(i) & 0xFFFFFF) | QRgb(a) << 24;
            } else {
                const int colours = grey ? 1 : 3;
                const bool transparent = c.withTrns && s(0) == sampleAt(0, 0, 0, c.depth) &&
                                         (grey || (s(1) == sampleAt(0, 0, 1, c.depth) &&
                                                   s(2) == sampleAt(0, 0, 2, c.depth)));
                const int r = to8Bits(s(0), c.depth);
                const int g = grey ? r : to8Bits(s(1), c.depth);
                const int b = grey ? r : to8Bits(s(2), c.depth);
                const int a = (c.colorType & PNG_COLOR_MASK_ALPHA) ? to8Bits(s(colours), c.depth)
                              : transparent                        ? 0
                                                                   : 255;
                pixel = qRgba(r, g, b, a);
            }
            image.setPixel(x, y, pixel);
        }
    return image;
}

class PngFile : public testing::TestWithParam<PngCase> {};

TEST_P(PngFile, GivesEverySampleAsStored) {
    testing_support::TempFolder folder;
    const PngCase& c = GetParam();
    const QString path = folder.write(QStringLiteral("image.png"), pngFile(c));
    const QImage decoded = decodeFile(path);
    const QImage expected = expectedPicture(c);
    EXPECT_EQ(decoded.format(), expected.format());
    EXPECT_EQ(maxChannelDifference(decoded, expected), 0);
}

constexpr int kGray = PNG_COLOR_TYPE_GRAY, kGrayAlpha = PNG_COLOR_TYPE_GRAY_ALPHA,
              kRgb = PNG_COLOR_TYPE_RGB, kRgba = PNG_COLOR_TYPE_RGB_ALPHA,
              kPalette = PNG_COLOR_TYPE_PALETTE;

INSTANTIATE_TEST_SUITE_P(ColourTypes, PngFile,
                         testing::ValuesIn(std::vector<PngCase>{
                             {"Grey1", kGray, 1, false, false},
                             {"Grey2", kGray, 2, false, false},
                             {"Grey4", kGray, 4, false, true},
                             {"Grey8", kGray, 8, false, false},
                             {"Grey16", kGray, 16, false, false},
                             {"Grey1Transparent", kGray, 1, true, false},
                             {"Grey8Transparent", kGray, 8, true, true},
                             {"Grey16Transparent", kGray, 16, true, false},
                             {"GreyAlpha8", kGrayAlpha, 8, false, false},
                             {"GreyAlpha16", kGrayAlpha, 16, false, true},
                             {"Rgb8", kRgb, 8, false, false},
                             {"Rgb8Adam7", kRgb, 8, false, true},
                             {"Rgb16", kRgb, 16, false, false},
                             {"Rgb8Transparent", kRgb, 8, true, false},
                             {"Rgb16Transparent", kRgb, 16, true, false},
                             {"Rgba8", kRgba, 8, false, false},
                             {"Rgba16Adam7", kRgba, 16, false, true},
                             {"Palette1", kPalette, 1, false, false},
                             {"Palette2", kPalette, 2, false, false},
                             {"Palette4Adam7", kPalette, 4, false, true},
                             {"Palette8", kPalette, 8, false, false},
                             {"Palette8Translucent", kPalette, 8, true, false},
                             {"Palette4AlphasAllOpaque", kPalette, 4, true, false, true},
                         }),
                         caseName);

TEST(PngResolution, IsKeptInMetres) {
    testing_support::TempFolder folder;
    QImage image = flatColors(6, 4);
    image.setDotsPerMeterX(11811);  // 300 dpi
    image.setDotsPerMeterY(5906);
    const QString path = folder.filePath(QStringLiteral("image.png"));
    codecs::encode(image, path, kFormatPng, {});
    const QImage decoded = decodeFile(path);
    EXPECT_EQ(decoded.dotsPerMeterX(), 11811);
    EXPECT_EQ(decoded.dotsPerMeterY(), 5906);
}

// A chunk is its length, its type, its data and a checksum; the offset of the first of a type.
qsizetype chunkAt(const QByteArray& png, const char* type) { return png.indexOf(type) - 4; }

struct DamagedPng {
    const char* name;
    std::function<QByteArray(QByteArray)> damage;
    const char* reason;  // what the message ends with; nullptr: the file opens
};

void PrintTo(const DamagedPng& c, std::ostream* out) { *out << c.name; }

class DamagedPngFile : public testing::TestWithParam<DamagedPng> {};

TEST_P(DamagedPngFile, IsRefusedWithLibpngsReason) {
    testing_support::TempFolder folder;
    const QImage picture = photoLike(40, 30);
    const QString good = folder.filePath(QStringLiteral("good.png"));
    codecs::encode(picture, good, kFormatPng, {});
    const QString path =
        folder.write(QStringLiteral("damaged.png"), GetParam().damage(fileBytes(good)));
    if (!GetParam().reason) {
        EXPECT_EQ(maxChannelDifference(decodeFile(path), picture), 0);
        return;
    }
    try {
        decodeFile(path);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, kCorruptFile);
        EXPECT_EQ(error.description,
                  QStringLiteral("The image file \"%1\" is damaged or incomplete: %2.")
                      .arg(QDir::toNativeSeparators(path), QLatin1String(GetParam().reason)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedPngFile,
    testing::ValuesIn(std::vector<DamagedPng>{
        {"CutInTheImageData", [](QByteArray png) { return png.left(png.size() / 2); },
         "the file ends early"},
        {"CutBeforeTheEnd", [](QByteArray png) { return png.chopped(12); }, "the file ends early"},
        {"ImageDataChecksumWrong",
         [](QByteArray png) {
             const qsizetype idat = chunkAt(png, "IDAT");
             const qsizetype length = qFromBigEndian<quint32>(png.constData() + idat);
             png[idat + 8 + length] = char(png[idat + 8 + length] ^ 0x5A);
             return png;
         },
         "IDAT: CRC error"},
        {"EndChecksumMissing", [](QByteArray png) { return png.chopped(4); }, nullptr},
    }),
    caseName);

}  // namespace
