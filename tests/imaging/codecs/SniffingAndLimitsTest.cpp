#include <gtest/gtest.h>

#include <QDir>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

namespace {

using namespace codec_tests;
namespace codecs = imaging::codecs;

class ContentNotName : public testing::TestWithParam<int> {};

// Each format is written under the name of another; the content decides.
TEST_P(ContentNotName, DecidesTheFormat) {
    testing_support::TempFolder folder;
    const int code = GetParam();
    const QString written = folder.filePath(QStringLiteral("written"));
    codecs::encode(flatColors(12, 9), written, code, {});
    const QString misnamed =
        folder.write(code == imaging::kFormatJpeg ? QStringLiteral("picture.png")
                                                  : QStringLiteral("picture.jpg"),
                     fileBytes(written));
    int decodedCode = -1;
    EXPECT_EQ(codecs::decode(misnamed, {}, &decodedCode).size(), QSize(12, 9));
    EXPECT_EQ(decodedCode, code);
    EXPECT_EQ(codecs::inspect(misnamed).formatCode, code);
}

INSTANTIATE_TEST_SUITE_P(Formats, ContentNotName,
                         testing::Values(imaging::kFormatJpeg, imaging::kFormatPng,
                                         imaging::kFormatTiff, imaging::kFormatPcx,
                                         imaging::kFormatTga, imaging::kFormatBmp,
                                         imaging::kFormatWmf, imaging::kFormatEmf));

TEST(FileErrors, NameTheFileAndSayWhatIsWrong) {
    testing_support::TempFolder folder;
    const QString text =
        folder.write(QStringLiteral("notes.bmp"), "just some words, not a picture");
    const QString empty = folder.write(QStringLiteral("empty.png"), QByteArray());
    const QString missing = folder.filePath(QStringLiteral("missing.jpg"));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(text); }), imaging::kUnsupportedFile);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(empty); }), imaging::kUnsupportedFile);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(missing); }), imaging::kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.path()); }), imaging::kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { codecs::inspect(missing); }), imaging::kFileNotFound);
    try {
        decodeFile(text);
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.description,
                  QStringLiteral("The file \"%1\" is not an image this program can read: its "
                                 "content is not a known image format.")
                      .arg(QDir::toNativeSeparators(text)));
    }
}

TEST(FileErrors, ASingleImageFileHasNoSecondImage) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("one.bmp"));
    codecs::encode(flatColors(4, 4), path, imaging::kFormatBmp, {});
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 2); }), imaging::kNoSuchImage);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 0); }), imaging::kNoSuchImage);
}

TEST(DecodeLimits, AreTheCallersToChoose) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("small.png"));
    codecs::encode(flatColors(20, 20), path, imaging::kFormatPng, {});
    codecs::DecodeOptions options;
    options.limits.maxPixels = 399;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), imaging::kImageTooLarge);
    options.limits.maxPixels = 400;
    options.limits.maxBytes = 1599;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), imaging::kImageTooLarge);
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
        codecs::encode(large, path, imaging::kFormatPng, {});
    }
    const QImage decoded = decodeFile(path);
    ASSERT_EQ(decoded.size(), QSize(8200, 5500));
    EXPECT_EQ(decoded.pixel(8199, 5499), 0xFF336699);
}

class TruncatedFile : public testing::TestWithParam<int> {};

// A file cut off half-way, as by an interrupted download, is damaged; never a half image.
TEST_P(TruncatedFile, IsReportedDamaged) {
    testing_support::TempFolder folder;
    const QString whole = folder.filePath(QStringLiteral("whole"));
    codecs::encode(photoLike(64, 48), whole, GetParam(), {});
    const QByteArray bytes = fileBytes(whole);
    const QString cut = folder.write(QStringLiteral("cut"), bytes.left(bytes.size() / 2));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(cut); }), imaging::kCorruptFile);
}

INSTANTIATE_TEST_SUITE_P(Formats, TruncatedFile,
                         testing::Values(imaging::kFormatJpeg, imaging::kFormatPng,
                                         imaging::kFormatTiff, imaging::kFormatPcx,
                                         imaging::kFormatTga, imaging::kFormatBmp,
                                         imaging::kFormatWmf, imaging::kFormatEmf));

}  // namespace
