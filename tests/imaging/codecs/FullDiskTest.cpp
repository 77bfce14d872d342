#include <tiffio.h>

#include <QDir>
#include <QFileInfo>

#include "CodecTestSupport.h"
#include "support/SmallDisk.h"

// Saving onto a disk that fills up, and the other ways a save fails late: the old file stays
// byte for byte, no temporary file is left, and the error says what the system said.
namespace {

using namespace codec_tests;
using namespace imaging;  // the format codes and error numbers
using testing_support::SmallDisk;

// The error `save` throws; a null optional when it throws none.
std::optional<Error> failureOf(const std::function<void()>& save) {
    try {
        save();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

QString cannotWrite(const QString& path, const char* reason) {
    return QStringLiteral("The file \"%1\" could not be written: %2.")
        .arg(QDir::toNativeSeparators(path), QLatin1String(reason));
}

struct WriterCase {
    const char* name;
    int formatCode;
    codecs::EncodeOptions options;
};

void PrintTo(const WriterCase& c, std::ostream* out) { *out << c.name; }

const std::vector<WriterCase> kEveryWriter = {
    {"Bmp24", kFormatBmp, {.bits = 24}},
    {"Bmp8", kFormatBmp, {.bits = 8}},
    {"Jpeg", kFormatJpeg, {}},
    {"JpegGrey", kFormatJpeg, {.bits = 8}},
    {"JpegProgressive", kFormatJpeg, {.interlaced = true}},
    {"Png", kFormatPng, {}},
    {"PngAdam7", kFormatPng, {.interlaced = true}},
    {"Tiff", kFormatTiff, {}},
    {"Pcx", kFormatPcx, {}},
    {"Tga", kFormatTga, {}},
    {"TgaRle", kFormatTga, {.rle = true}},
    {"Wmf", kFormatWmf, {}},
    {"Emf", kFormatEmf, {}},
};

// Noise keeps every format's file well over the room left: at least 40 KiB even as JPEG,
// and at most 300 KiB, which the disk holds once it is emptied again.
QImage largePicture() { return photoLike(360, 240); }
constexpr int kDiskKiB = 1024;

class FullDisk : public testing::TestWithParam<WriterCase> {};

// With no room at all the first write fails; with 16 KiB the disk fills up half-way through
// the file, where a short write is the only sign until the next one fails.
TEST_P(FullDisk, ReportsNoSpaceAndLeavesTheOldFileAsItWas) {
    SmallDisk disk(kDiskKiB);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const WriterCase& c = GetParam();
    const QString path = disk.filePath(QStringLiteral("picture"));
    codecs::encode(flatColors(8, 8), path, c.formatCode, c.options);
    const QByteArray before = fileBytes(path);
    for (const qint64 room : {0, 16 * 1024}) {
        SCOPED_TRACE(room);
        disk.fill(room);
        const std::optional<Error> error =
            failureOf([&] { codecs::encode(largePicture(), path, c.formatCode, c.options); });
        ASSERT_TRUE(error) << "saved on a full disk";
        EXPECT_EQ(error->number, kWriteFailed);
        EXPECT_EQ(error->description, cannotWrite(path, "No space left on device"));
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(disk.entries(), QStringList{"picture"});
    }
    // The same save goes through once there is room: the disk, not the picture, was the cause.
    QFile::remove(disk.filePath(QStringLiteral("filler")));
    codecs::encode(largePicture(), path, c.formatCode, c.options);
    EXPECT_EQ(codecs::inspect(path).width, 360);
    EXPECT_EQ(disk.entries(), QStringList{"picture"});
}

INSTANTIATE_TEST_SUITE_P(Writers, FullDisk, testing::ValuesIn(kEveryWriter), caseName);

// Two pages of 8-bit RGB, written by libtiff itself.
void writeTwoPages(const QString& path) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_TRUE(tiff);
    for (int page = 0; page < 2; ++page) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 8);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 8);
        std::uint8_t row[16 * 3];
        for (std::uint32_t y = 0; y < 8; ++y) {
            for (int i = 0; i < 16 * 3; ++i) row[i] = std::uint8_t(i * 5 + int(y) * 9 + page * 80);
            TIFFWriteScanline(tiff, row, y, 0);
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

TEST(FullDiskTiffPages, KeepsEveryPageWhenAPageCannotBeSavedBack) {
    SmallDisk disk(kDiskKiB);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const QString path = disk.filePath(QStringLiteral("pages.tif"));
    writeTwoPages(path);
    const QByteArray before = fileBytes(path);
    for (const qint64 room : {0, 16 * 1024}) {
        SCOPED_TRACE(room);
        disk.fill(room);
        const std::optional<Error> error = failureOf([&] {
            codecs::encodeTiffPage(largePicture(), path, {2, 2});
        });
        ASSERT_TRUE(error) << "saved on a full disk";
        EXPECT_EQ(error->number, kWriteFailed);
        EXPECT_EQ(error->description, cannotWrite(path, "No space left on device"));
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(disk.entries(), QStringList{"pages.tif"});
    }
    QFile::remove(disk.filePath(QStringLiteral("filler")));
    codecs::encodeTiffPage(largePicture(), path, {2, 2});
    EXPECT_EQ(codecs::inspect(path).imageCount, 2);
    EXPECT_EQ(decodeFile(path, 2).width(), 360);
}

// The last step, the rename, fails when the name is taken by a folder.
TEST(AtomicSave, ARenameThatFailsLeavesNothingBehind) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("picture.png")));
    for (const WriterCase& c : kEveryWriter) {
        SCOPED_TRACE(c.name);
        const std::optional<Error> error =
            failureOf([&] { codecs::encode(flatColors(8, 8), path, c.formatCode, c.options); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number, kWriteFailed);
        EXPECT_EQ(error->description, cannotWrite(path, "Is a directory"));
        EXPECT_TRUE(QFileInfo(path).isDir());
        EXPECT_EQ(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"picture.png"});
    }
}

TEST(AtomicSave, AMissingFolderIsNamedWithTheSystemsReason) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("missing/picture.bmp"));
    const std::optional<Error> error =
        failureOf([&] { codecs::encode(flatColors(8, 8), path, kFormatBmp, {}); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description, cannotWrite(path, "No such file or directory"));
}

// The new file takes the old one's permissions, and a link stays a link to the new file.
TEST(AtomicSave, KeepsTheOldFilesPermissionsAndLinks) {
    testing_support::TempFolder folder;
    const QString real = folder.filePath(QStringLiteral("real.png"));
    const QString link = folder.filePath(QStringLiteral("link.png"));
    codecs::encode(flatColors(8, 8), real, kFormatPng, {});
    const auto readOnlyForOthers = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                   QFile::WriteUser | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(real, readOnlyForOthers));
    ASSERT_TRUE(QFile::link(real, link));

    codecs::encode(flatColors(20, 10), link, kFormatPng, {});
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), real);
    EXPECT_EQ(decodeFile(real).size(), QSize(20, 10));
    EXPECT_EQ(QFile::permissions(real), readOnlyForOthers);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"link.png", "real.png"}));
}

}  // namespace
