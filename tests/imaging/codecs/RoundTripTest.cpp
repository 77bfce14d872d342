#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

namespace {

using namespace codec_tests;
using imaging::codecs::DctMethod;
using imaging::codecs::EncodeOptions;

EncodeOptions optionsWith(int bits, bool interlaced = false, bool placeable = false,
                          bool rle = false) {
    EncodeOptions options;
    options.bits = bits;
    options.interlaced = interlaced;
    options.placeable = placeable;
    options.rle = rle;
    return options;
}

struct LosslessCase {
    const char* name;
    int formatCode;
    EncodeOptions options;
    bool alpha;
    bool flat;  // few colours, for writers that need them to be exact
    int bitsPerPixel;
};

void PrintTo(const LosslessCase& c, std::ostream* out) { *out << c.name; }

class LosslessRoundTrip : public testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessRoundTrip, GivesBackEveryPixelAndDescribesTheFile) {
    const LosslessCase& c = GetParam();
    testing_support::TempFolder folder;
    // Odd sizes leave row padding in every format that has any.
    const QImage image = c.flat ? flatColors(37, 23, c.alpha) : photoLike(37, 23, c.alpha);
    const QString path = folder.filePath(QStringLiteral("image.out"));
    imaging::codecs::encode(image, path, c.formatCode, c.options);

    int code = -1;
    const QImage decoded = imaging::codecs::decode(path, {}, &code);
    EXPECT_EQ(code, c.formatCode);
    EXPECT_EQ(decoded.format(), image.format());
    EXPECT_EQ(maxChannelDifference(decoded, image), 0);

    const imaging::codecs::FileFacts facts = imaging::codecs::inspect(path);
    EXPECT_EQ(facts.formatCode, c.formatCode);
    EXPECT_EQ(facts.width, 37);
    EXPECT_EQ(facts.height, 23);
    EXPECT_EQ(facts.imageCount, 1);
    EXPECT_EQ(facts.bitsPerPixel, c.bitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LosslessRoundTrip,
    testing::Values(
        LosslessCase{"Bmp24", imaging::kFormatBmp, optionsWith(24), false, false, 24},
        LosslessCase{"Bmp8FewColours", imaging::kFormatBmp, optionsWith(8), false, true, 8},
        LosslessCase{"Png", imaging::kFormatPng, optionsWith(24), false, false, 24},
        LosslessCase{"PngAlpha", imaging::kFormatPng, optionsWith(24), true, false, 32},
        LosslessCase{"PngAdam7", imaging::kFormatPng, optionsWith(24, true), true, false, 32},
        LosslessCase{"Tiff", imaging::kFormatTiff, optionsWith(24), false, false, 24},
        LosslessCase{"TiffAlpha", imaging::kFormatTiff, optionsWith(24), true, false, 32},
        LosslessCase{"Pcx", imaging::kFormatPcx, optionsWith(24), false, false, 24},
        LosslessCase{"PcxRuns", imaging::kFormatPcx, optionsWith(24), false, true, 24},
        LosslessCase{"Tga", imaging::kFormatTga, optionsWith(24), false, false, 24},
        LosslessCase{"TgaRle", imaging::kFormatTga, optionsWith(24, false, false, true), false,
                     true, 24},
        LosslessCase{"TgaAlpha", imaging::kFormatTga, optionsWith(24), true, false, 32},
        LosslessCase{"TgaAlphaRle", imaging::kFormatTga, optionsWith(24, false, false, true), true,
                     true, 32},
        LosslessCase{"Wmf", imaging::kFormatWmf, optionsWith(24), false, false, 24},
        LosslessCase{"WmfPlaceable", imaging::kFormatWmf, optionsWith(24, false, true), false,
                     false, 24},
        LosslessCase{"Emf", imaging::kFormatEmf, optionsWith(24), false, false, 24}),
    [](const auto& info) { return std::string(info.param.name); });

// Mean absolute difference over the colour channels.
double meanError(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            sum += colorDistance(a.pixel(x, y), b.pixel(x, y));
        }
    return sum / (3.0 * a.width() * a.height());
}

struct LossyCase {
    const char* name;
    int formatCode;
    EncodeOptions options;
    double maxMeanError;
    int bitsPerPixel;
};

EncodeOptions jpegOptions(double quality, DctMethod method, bool progressive = false,
                          int bits = 24) {
    EncodeOptions options = optionsWith(bits, progressive);
    options.jpegQuality = quality;
    options.dctMethod = method;
    return options;
}

void PrintTo(const LossyCase& c, std::ostream* out) { *out << c.name; }

// Luma as JPEG defines it (ITU-R BT.601).
QImage greyOf(const QImage& image) {
    QImage grey = image;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb p = grey.pixel(x, y);
            const int luma = qRound(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
            grey.setPixel(x, y, qRgb(luma, luma, luma));
        }
    return grey;
}

class LossyRoundTrip : public testing::TestWithParam<LossyCase> {};

TEST_P(LossyRoundTrip, StaysCloseToTheOriginal) {
    const LossyCase& c = GetParam();
    testing_support::TempFolder folder;
    const QImage image = photoLike(96, 64);
    const QString path = folder.filePath(QStringLiteral("image.out"));
    imaging::codecs::encode(image, path, c.formatCode, c.options);
    const QImage decoded = decodeFile(path);
    ASSERT_EQ(decoded.size(), image.size());
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    const QImage reference =
        c.options.bits == 8 && c.formatCode == imaging::kFormatJpeg ? greyOf(image) : image;
    EXPECT_LT(meanError(decoded, reference), c.maxMeanError);
    EXPECT_EQ(imaging::codecs::inspect(path).bitsPerPixel, c.bitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LossyRoundTrip,
    testing::Values(
        LossyCase{"JpegDefault", imaging::kFormatJpeg, jpegOptions(90, DctMethod::Default), 3, 24},
        LossyCase{"JpegAccurate", imaging::kFormatJpeg, jpegOptions(75, DctMethod::Accurate), 5,
                  24},
        LossyCase{"JpegFast", imaging::kFormatJpeg, jpegOptions(75, DctMethod::Fast), 5, 24},
        LossyCase{"JpegFloat", imaging::kFormatJpeg, jpegOptions(75, DctMethod::FloatingPoint), 5,
                  24},
        LossyCase{"JpegProgressive", imaging::kFormatJpeg,
                  jpegOptions(90, DctMethod::Default, true), 3, 24},
        // Greyscale files hold one component: compared with the luma of the original.
        LossyCase{"JpegGrey", imaging::kFormatJpeg, jpegOptions(90, DctMethod::Default, false, 8),
                  3, 8},
        LossyCase{"Bmp8Quantised", imaging::kFormatBmp, optionsWith(8), 8, 8}),
    [](const auto& info) { return std::string(info.param.name); });

QByteArray encodedBytes(const QImage& image, int formatCode, const EncodeOptions& options) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("x"));
    imaging::codecs::encode(image, path, formatCode, options);
    return fileBytes(path);
}

TEST(JpegWriter, ClampsQualityAndAppliesEveryOption) {
    const QImage image = photoLike(64, 48);
    const auto jpeg = [&](const EncodeOptions& o) {
        return encodedBytes(image, imaging::kFormatJpeg, o);
    };
    EXPECT_EQ(jpeg(jpegOptions(3, DctMethod::Default)), jpeg(jpegOptions(10, DctMethod::Default)));
    EXPECT_EQ(jpeg(jpegOptions(250, DctMethod::Default)),
              jpeg(jpegOptions(100, DctMethod::Default)));
    EXPECT_NE(jpeg(jpegOptions(50, DctMethod::Default)), jpeg(jpegOptions(90, DctMethod::Default)));
    EXPECT_NE(jpeg(jpegOptions(75, DctMethod::Fast)), jpeg(jpegOptions(75, DctMethod::Accurate)));
    EXPECT_EQ(jpeg(jpegOptions(75, DctMethod::Default)),
              jpeg(jpegOptions(75, DctMethod::Accurate)));
    // Progressive files are marked by a start-of-frame 2 segment.
    EXPECT_TRUE(jpeg(jpegOptions(75, DctMethod::Default, true)).contains("\xFF\xC2"));
    EXPECT_FALSE(jpeg(jpegOptions(75, DctMethod::Default, false)).contains("\xFF\xC2"));
}

TEST(Encode, RefusesWhatItCannotWrite) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("out"));
    const QImage image = flatColors(8, 8);
    const auto encodeAs = [&](const QImage& i, int code, int bits) {
        return errorNumberOf([&] { imaging::codecs::encode(i, path, code, optionsWith(bits)); });
    };
    EXPECT_EQ(encodeAs(QImage(), imaging::kFormatBmp, 24), imaging::kNoImage);
    EXPECT_EQ(encodeAs(image, imaging::kFormatNone, 24), imaging::kUnknownFormat);
    EXPECT_EQ(encodeAs(image, 9, 24), imaging::kUnknownFormat);
    EXPECT_EQ(encodeAs(image, imaging::kFormatBmp, 16), imaging::kInvalidArgument);
    EXPECT_EQ(encodeAs(image, imaging::kFormatBmp, 32), imaging::kInvalidArgument);
    EXPECT_EQ(encodeAs(image, imaging::kFormatJpeg, 4), imaging::kInvalidArgument);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(Encode, ReportsAFolderItCannotWriteTo) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("missing/out.bmp"));
    try {
        imaging::codecs::encode(flatColors(4, 4), path, imaging::kFormatBmp, optionsWith(24));
        FAIL() << "no error";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.number, imaging::kWriteFailed);
        EXPECT_TRUE(error.description.contains(QDir::toNativeSeparators(path))) << error.what();
    }
}

TEST(Encode, AFailureLeavesTheOldFileAndNoTemporaryFile) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("picture.wmf"));
    imaging::codecs::encode(flatColors(6, 6), path, imaging::kFormatWmf, optionsWith(24));
    const QByteArray before = fileBytes(path);
    // Too wide for the 16-bit coordinates of a metafile: the writer fails half-way.
    EXPECT_EQ(errorNumberOf([&] {
                  imaging::codecs::encode(QImage(40000, 1, QImage::Format_RGB32), path,
                                          imaging::kFormatWmf, optionsWith(24));
              }),
              imaging::kImageTooLarge);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("picture.wmf")});
}

}  // namespace
