#include <QDir>

#include "CodecTestSupport.h"

// Files our writers make, read back; how the content, not the name, decides the format; and
// what is refused when writing or reading.
namespace {

using namespace codec_tests;
using namespace imaging;  // the format codes and error numbers
using imaging::codecs::DctMethod;
using imaging::codecs::EncodeOptions;

struct RoundTripCase {
    const char* name;
    int formatCode;
    EncodeOptions options;
    bool alpha;
    bool flat;            // few colours, for writers that need them to be exact
    double maxMeanError;  // over the colour channels; 0: every pixel given back exactly
    int bitsPerPixel;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, GivesBackThePictureAndDescribesTheFile) {
    const RoundTripCase& c = GetParam();
    testing_support::TempFolder folder;
    // Odd sizes leave row padding in every format that has any, and part-filled JPEG blocks.
    const QImage image = c.flat ? flatColors(37, 23, c.alpha) : photoLike(37, 23, c.alpha);
    const QString path = folder.filePath(QStringLiteral("image.out"));
    codecs::encode(image, path, c.formatCode, c.options);

    int code = -1;
    const QImage decoded = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, c.formatCode);
    EXPECT_EQ(decoded.format(), image.format());
    if (c.maxMeanError == 0) {
        EXPECT_EQ(maxChannelDifference(decoded, image), 0);
    } else {
        ASSERT_EQ(decoded.size(), image.size());
        // Greyscale JPEG holds one component: compared with the luma of the original (BT.601).
        const bool grey = c.options.bits == 8 && c.formatCode == kFormatJpeg;
        double error = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                const int luma = qRound(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
                error += colorDistance(decoded.pixel(x, y), grey ? qRgb(luma, luma, luma) : p);
            }
        EXPECT_LT(error / (3.0 * image.width() * image.height()), c.maxMeanError);
    }

    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(facts.formatCode, c.formatCode);
    EXPECT_EQ(QSize(facts.width, facts.height), QSize(37, 23));
    EXPECT_EQ(facts.imageCount, 1);
    EXPECT_EQ(facts.bitsPerPixel, c.bitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    testing::ValuesIn(std::vector<RoundTripCase>{
        {"Bmp24", kFormatBmp, {}, false, false, 0, 24},
        {"Bmp8FewColours", kFormatBmp, {.bits = 8}, false, true, 0, 8},
        {"Bmp8Quantised", kFormatBmp, {.bits = 8}, false, false, 8, 8},
        {"Png", kFormatPng, {}, false, false, 0, 24},
        {"PngAlpha", kFormatPng, {}, true, false, 0, 32},
        {"PngAdam7", kFormatPng, {.interlaced = true}, true, false, 0, 32},
        {"Tiff", kFormatTiff, {}, false, false, 0, 24},
        {"TiffAlpha", kFormatTiff, {}, true, false, 0, 32},
        {"Pcx", kFormatPcx, {}, false, false, 0, 24},
        {"PcxRuns", kFormatPcx, {}, false, true, 0, 24},
        {"Tga", kFormatTga, {}, false, false, 0, 24},
        {"TgaRle", kFormatTga, {.rle = true}, false, true, 0, 24},
        {"TgaAlpha", kFormatTga, {}, true, false, 0, 32},
        {"TgaAlphaRle", kFormatTga, {.rle = true}, true, true, 0, 32},
        {"Wmf", kFormatWmf, {}, false, false, 0, 24},
        {"WmfPlaceable", kFormatWmf, {.placeable = true}, false, false, 0, 24},
        {"Emf", kFormatEmf, {}, false, false, 0, 24},
        {"JpegDefault", kFormatJpeg, {.jpegQuality = 90}, false, false, 3, 24},
        {"JpegAccurate",
         kFormatJpeg,
         {.jpegQuality = 75, .dctMethod = DctMethod::Accurate},
         false,
         false,
         5,
         24},
        {"JpegFast",
         kFormatJpeg,
         {.jpegQuality = 75, .dctMethod = DctMethod::Fast},
         false,
         false,
         5,
         24},
        {"JpegFloat",
         kFormatJpeg,
         {.jpegQuality = 75, .dctMethod = DctMethod::FloatingPoint},
         false,
         false,
         5,
         24},
        {"JpegProgressive",
         kFormatJpeg,
         {.jpegQuality = 90, .interlaced = true},
         false,
         false,
         3,
         24},
        {"JpegGrey", kFormatJpeg, {.bits = 8, .jpegQuality = 90}, false, false, 3, 8}}),
    caseName);

QByteArray encodedBytes(const QImage& image, int formatCode, const EncodeOptions& options) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("x"));
    codecs::encode(image, path, formatCode, options);
    return fileBytes(path);
}

TEST(JpegWriter, ClampsQualityAndAppliesEveryOption) {
    const QImage image = photoLike(64, 48);
    const auto jpeg = [&](double quality, DctMethod method = DctMethod::Default,
                          bool progressive = false) {
        return encodedBytes(
            image, kFormatJpeg,
            {.jpegQuality = quality, .dctMethod = method, .interlaced = progressive});
    };
    EXPECT_EQ(jpeg(3), jpeg(10));
    EXPECT_EQ(jpeg(250), jpeg(100));
    EXPECT_NE(jpeg(50), jpeg(90));
    EXPECT_NE(jpeg(75, DctMethod::Fast), jpeg(75, DctMethod::Accurate));
    EXPECT_EQ(jpeg(75, DctMethod::Default), jpeg(75, DctMethod::Accurate));
    // Progressive files are marked by a start-of-frame 2 segment.
    EXPECT_TRUE(jpeg(75, DctMethod::Default, true).contains("\xFF\xC2"));
    EXPECT_FALSE(jpeg(75, DctMethod::Default, false).contains("\xFF\xC2"));
}

TEST(Encode, RefusesWhatItCannotWrite) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("out"));
    const QImage image = flatColors(8, 8);
    const auto encodeAs = [&](const QImage& i, int code, int bits) {
        return errorNumberOf([&] { codecs::encode(i, path, code, {.bits = bits}); });
    };
    EXPECT_EQ(encodeAs(QImage(), kFormatBmp, 24), kNoImage);
    EXPECT_EQ(encodeAs(image, kFormatNone, 24), kUnknownFormat);
    EXPECT_EQ(encodeAs(image, 9, 24), kUnknownFormat);
    EXPECT_EQ(encodeAs(image, kFormatBmp, 16), kInvalidArgument);
    EXPECT_EQ(encodeAs(image, kFormatBmp, 32), kInvalidArgument);
    EXPECT_EQ(encodeAs(image, kFormatJpeg, 4), kInvalidArgument);
    EXPECT_FALSE(QFile::exists(path));

    // A folder that does not exist is named in the report.
    const QString unwritable = folder.filePath(QStringLiteral("missing/out.bmp"));
    try {
        codecs::encode(image, unwritable, kFormatBmp, {});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, kWriteFailed);
        EXPECT_TRUE(error.description.contains(QDir::toNativeSeparators(unwritable)))
            << error.what();
    }
}

TEST(Encode, AFailureLeavesTheOldFileAndNoTemporaryFile) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("picture.wmf"));
    codecs::encode(flatColors(6, 6), path, kFormatWmf, {});
    const QByteArray before = fileBytes(path);
    // Too wide for the 16-bit coordinates of a metafile: the writer fails half-way.
    const QImage tooWide(40000, 1, QImage::Format_RGB32);
    EXPECT_EQ(errorNumberOf([&] { codecs::encode(tooWide, path, kFormatWmf, {}); }),
              kImageTooLarge);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"picture.wmf"});
}

class EveryFormat : public testing::TestWithParam<int> {};

// Each format is written under the name of another, and cut off half-way as by an
// interrupted download: the content decides the format, and a cut file is damaged, never
// a half image.
TEST_P(EveryFormat, IsKnownByItsContentAndACutFileIsDamaged) {
    testing_support::TempFolder folder;
    const int code = GetParam();
    const QString written = folder.filePath(QStringLiteral("written"));
    codecs::encode(photoLike(64, 48), written, code, {});
    const QByteArray bytes = fileBytes(written);
    const QString misnamed = folder.write(
        code == kFormatJpeg ? QStringLiteral("picture.png") : QStringLiteral("picture.jpg"), bytes);
    int decodedCode = -1;
    EXPECT_EQ(codecs::decode(misnamed, {}, &decodedCode).size(), QSize(64, 48));
    EXPECT_EQ(decodedCode, code);
    EXPECT_EQ(codecs::inspect(misnamed).formatCode, code);

    const QString cut = folder.write(QStringLiteral("cut"), bytes.left(bytes.size() / 2));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(cut); }), kCorruptFile);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
                         testing::Values(kFormatJpeg, kFormatPng, kFormatTiff, kFormatPcx,
                                         kFormatTga, kFormatBmp, kFormatWmf, kFormatEmf));

TEST(FileErrors, NameTheFileAndSayWhatIsWrong) {
    testing_support::TempFolder folder;
    const QString text =
        folder.write(QStringLiteral("notes.bmp"), "just some words, not a picture");
    const QString empty = folder.write(QStringLiteral("empty.png"), QByteArray());
    const QString missing = folder.filePath(QStringLiteral("missing.jpg"));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(empty); }), kUnsupportedFile);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(missing); }), kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.path()); }), kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { codecs::inspect(missing); }), kFileNotFound);
    try {
        decodeFile(text);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number, kUnsupportedFile);
        EXPECT_EQ(error.description,
                  QStringLiteral("The file \"%1\" is not an image this program can read: its "
                                 "content is not a known image format.")
                      .arg(QDir::toNativeSeparators(text)));
    }
    // A file of one image has no second one.
    const QString one = folder.filePath(QStringLiteral("one.bmp"));
    codecs::encode(flatColors(4, 4), one, kFormatBmp, {});
    EXPECT_EQ(errorNumberOf([&] { decodeFile(one, 2); }), kNoSuchImage);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(one, 0); }), kNoSuchImage);
}

TEST(DecodeLimits, AreTheCallersToChoose) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("small.png"));
    codecs::encode(flatColors(20, 20), path, kFormatPng, {});
    codecs::DecodeOptions options;
    options.limits.maxPixels = 399;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), kImageTooLarge);
    options.limits.maxPixels = 400;
    options.limits.maxBytes = 1599;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), kImageTooLarge);
    options.limits.maxBytes = 1600;
    EXPECT_EQ(codecs::decode(path, options).size(), QSize(20, 20));
}

// Qt refuses images over 128 MB by default; a 45-megapixel photo (180 MB) must still open.
TEST(DecodeLimits, LetAFortyFiveMegapixelPhotoThrough) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("large.png"));
    {
        QImage large(8200, 5500, QImage::Format_RGB32);
        large.fill(0xFF336699);
        codecs::encode(large, path, kFormatPng, {});
    }
    const QImage decoded = decodeFile(path);
    ASSERT_EQ(decoded.size(), QSize(8200, 5500));
    EXPECT_EQ(decoded.pixel(8199, 5499), 0xFF336699);
}

}  // namespace
