#include <QDir>
#include <QFileInfo>

#include "imaging/ImagingTesting.h"
#include "support/HostileNames.h"
#include "support/SmallDisk.h"

// Every writer's files read back; the content, not the name, decides the format; what is
// refused; and saving that fails late - a full disk, a rename - leaves the old file as it was.
namespace {

using namespace imaging_testing;
using namespace imaging;  // the format codes and error numbers
using codecs::DctMethod;
using codecs::EncodeOptions;

struct Writer {
    const char* name;
    int formatCode;
    EncodeOptions options;
    bool alpha = false;
    bool flat = false;  // few colours, for writers that need them to be exact
};

void PrintTo(const Writer& w, std::ostream* out) { *out << w.name; }

// clang-format off
const Writer kWriters[] = {
    {"Bmp24", kFormatBmp, {}}, {"Bmp8FewColours", kFormatBmp, {.bits = 8}, false, true},
    {"Bmp8Quantised", kFormatBmp, {.bits = 8}}, {"Png", kFormatPng, {}},
    {"PngAlpha", kFormatPng, {}, true}, {"PngAdam7", kFormatPng, {.interlaced = true}, true},
    {"Tiff", kFormatTiff, {}}, {"TiffAlpha", kFormatTiff, {}, true}, {"Pcx", kFormatPcx, {}},
    {"PcxRuns", kFormatPcx, {}, false, true}, {"Tga", kFormatTga, {}},
    {"TgaRle", kFormatTga, {.rle = true}, false, true}, {"TgaAlpha", kFormatTga, {}, true},
    {"TgaAlphaRle", kFormatTga, {.rle = true}, true, true}, {"Wmf", kFormatWmf, {}},
    {"WmfPlaceable", kFormatWmf, {.placeable = true}}, {"Emf", kFormatEmf, {}},
    {"Jpeg", kFormatJpeg, {}}, {"JpegFast", kFormatJpeg, {.dctMethod = DctMethod::Fast}},
    {"JpegFloat", kFormatJpeg, {.dctMethod = DctMethod::FloatingPoint}},
    {"JpegProgressive", kFormatJpeg, {.interlaced = true}}, {"JpegGrey", kFormatJpeg, {.bits = 8}}};
// clang-format on

class EveryWriter : public testing::TestWithParam<Writer> {};

TEST_P(EveryWriter, GivesBackThePictureAndDescribesTheFile) {
    const Writer& w = GetParam();
    TempFolder folder;
    // Odd sizes leave row padding in every format that has any, and part-filled JPEG blocks.
    const QImage image = w.flat ? flatColors(37, 23, w.alpha) : photoLike(37, 23, w.alpha);
    const QString path = folder.filePath(QStringLiteral("image.out"));
    codecs::encode(image, path, w.formatCode, w.options);
    int code = -1;
    const QImage decoded = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, w.formatCode);
    ASSERT_EQ(decoded.format(), image.format());
    ASSERT_EQ(decoded.size(), image.size());
    // Greyscale JPEG holds one component: compared with the luma of the original.
    const bool grey = w.options.bits == 8 && w.formatCode == kFormatJpeg;
    const QImage expected = made(37, 23, image.format(), [&](int x, int y) {
        const QRgb p = image.pixel(x, y);
        const int luma = qRound(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
        return grey ? qRgb(luma, luma, luma) : p;
    });
    double error = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            error += colorDistance(decoded.pixel(x, y), expected.pixel(x, y));
    // Over the colour channels: JPEG at 90 and the sampled palette of an 8-bit bitmap.
    const double tolerance = w.formatCode == kFormatJpeg      ? 3
                             : w.options.bits == 8 && !w.flat ? 8
                                                              : 0;
    if (tolerance == 0) {
        EXPECT_TRUE(samePixels(expected, decoded));
    }
    EXPECT_LE(error / (3.0 * image.width() * image.height()), tolerance);
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(facts.formatCode, w.formatCode);
    EXPECT_EQ(QSize(facts.width, facts.height), QSize(37, 23));
    EXPECT_EQ(facts.imageCount, 1);
    EXPECT_EQ(facts.bitsPerPixel, w.alpha ? 32 : w.options.bits);

    // Under the name of another format the content decides; cut off half-way, as by an
    // interrupted download, the file is damaged, never a half image.
    const QByteArray bytes = fileBytes(path);
    const QString misnamed = folder.write(
        w.formatCode == kFormatJpeg ? QStringLiteral("x.png") : QStringLiteral("x.jpg"), bytes);
    EXPECT_EQ(codecs::inspect(misnamed).formatCode, w.formatCode);
    const QString cut = folder.write(QStringLiteral("cut"), bytes.left(bytes.size() / 2));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(cut); }), kCorruptFile);
}

// With no room at all the first write fails; with 16 KiB the disk fills up half-way through
// the file, where a short write is the only sign until the next one fails. The same save goes
// through once there is room: the disk, not the picture, was the cause.
TEST_P(EveryWriter, ReportsAFullDiskAndLeavesTheOldFileAsItWas) {
    testing_support::SmallDisk disk(1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const Writer& w = GetParam();
    const QString path = disk.filePath(QStringLiteral("picture"));
    codecs::encode(flatColors(8, 8), path, w.formatCode, w.options);
    const QByteArray before = fileBytes(path);
    // Noise keeps every format's file well over the room left, and under the disk's size.
    const QImage large = randomImage(360, 240, QImage::Format_RGB32, 4);
    for (const qint64 room : {0, 16 * 1024}) {
        disk.fill(room);
        const Error error = errorOf([&] { codecs::encode(large, path, w.formatCode, w.options); });
        EXPECT_EQ(error.number, kWriteFailed);
        EXPECT_EQ(error.description,
                  QStringLiteral("The file \"%1\" could not be written: No space left on device.")
                      .arg(QDir::toNativeSeparators(path)));
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(disk.entries(), QStringList{"picture"});
    }
    disk.empty();
    codecs::encode(large, path, w.formatCode, w.options);
    EXPECT_EQ(codecs::inspect(path).width, 360);
    EXPECT_EQ(disk.entries(), QStringList{"picture"});
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryWriter, testing::ValuesIn(kWriters), caseName);

TEST(JpegWriter, ClampsTheQualityAndAppliesEveryOption) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("x.jpg"));
    const auto jpeg = [&](double quality, DctMethod method = DctMethod::Default,
                          bool progressive = false) {
        codecs::encode(photoLike(64, 48), path, kFormatJpeg,
                       {.jpegQuality = quality, .dctMethod = method, .interlaced = progressive});
        return fileBytes(path);
    };
    EXPECT_EQ(jpeg(3), jpeg(10));
    EXPECT_EQ(jpeg(250), jpeg(100));
    EXPECT_NE(jpeg(50), jpeg(90));
    EXPECT_NE(jpeg(75, DctMethod::Fast), jpeg(75, DctMethod::Accurate));
    // Progressive files are marked by a start-of-frame 2 segment.
    EXPECT_TRUE(jpeg(75, DctMethod::Default, true).contains("\xFF\xC2"));
    EXPECT_FALSE(jpeg(75).contains("\xFF\xC2"));
}

// Names that break naive quoting are only names to a save.
TEST(AtomicSave, TakesAnyName) {
    TempFolder folder;
    for (const testsupport::HostileName& hostile : testsupport::hostileNames()) {
        const QString path = folder.filePath(hostile.name);
        codecs::encode(flatColors(7, 3), path, kFormatBmp, {});
        EXPECT_EQ(decodeFile(path), flatColors(7, 3)) << hostile.label;
    }
}

// What cannot be written or read is refused with its number and, where a user reads it, the
// file's name and what is wrong; the decode limits are the caller's to choose.
TEST(Codecs, RefuseWhatTheyCannotDoAndSayWhy) {
    TempFolder folder;
    const QString out = folder.filePath(QStringLiteral("out"));
    const QImage flat = flatColors(8, 8);
    for (const auto& [image, code, bits, error] :
         {std::tuple<QImage, int, int, int>{QImage(), kFormatBmp, 24, kNoImage},
          {flat, kFormatNone, 24, kUnknownFormat},
          {flat, kFormatHeif, 24, kUnknownFormat},
          {flat, kFormatBmp, 16, kInvalidArgument},
          {flat, kFormatJpeg, 4, kInvalidArgument}})
        EXPECT_EQ(errorNumberOf([&, &image = image, code = code, bits = bits] {
                      codecs::encode(image, out, code, {.bits = bits});
                  }),
                  error);
    EXPECT_FALSE(QFile::exists(out));
    // The last step, the rename, fails when the name is taken by a folder; nothing is left.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("picture.png")));
    for (const auto& [name, reason] : {std::pair{"missing/out.bmp", "No such file or directory"},
                                       {"picture.png", "Is a directory"}}) {
        const QString path = folder.filePath(QLatin1String(name));
        EXPECT_EQ(errorOf([&] { codecs::encode(flat, path, kFormatBmp, {}); }).description,
                  QStringLiteral("The file \"%1\" could not be written: %2.")
                      .arg(QDir::toNativeSeparators(path), QLatin1String(reason)));
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"picture.png"});

    const QString text = folder.write(QStringLiteral("notes.bmp"), "just some words, no picture");
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.write("empty.png", {})); }), kUnsupportedFile);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.filePath("missing.jpg")); }), kFileNotFound);
    EXPECT_EQ(errorOf([&] { decodeFile(text); }).description,
              QStringLiteral("The file \"%1\" is not an image this program can read: its content "
                             "is not a known image format.")
                  .arg(QDir::toNativeSeparators(text)));
    const QString small = folder.filePath(QStringLiteral("small.png"));
    codecs::encode(flatColors(20, 20), small, kFormatPng, {});
    EXPECT_EQ(errorNumberOf([&] { decodeFile(small, 2); }), kNoSuchImage);
    for (const auto& [pixels, bytes, refused] :
         {std::tuple{399, 1 << 30, true}, {400, 1599, true}, {400, 1600, false}})
        EXPECT_EQ(errorNumberOf([&, pixels = pixels, bytes = bytes] {
                      codecs::decode(small, {1, true, {pixels, bytes}});
                  }),
                  refused ? kImageTooLarge : 0);
}

}  // namespace
