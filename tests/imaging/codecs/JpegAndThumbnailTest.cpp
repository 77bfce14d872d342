#include <cstdio>  // before jpeglib.h, which uses FILE and size_t without them

#include <jpeglib.h>

#include "CodecTestSupport.h"
#include "LibjpegFiles.h"

// What JPEG files of cameras and print workflows need, and previews of every kind of file.
namespace {

using namespace codec_tests;
using namespace imaging;  // the format codes and error numbers

// Six flat 16-pixel blocks, three across and two down, far apart in colour so that JPEG
// keeps each recognisable at its centre.
const QRgb kBlocks[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFFFFFF};

// The APP1 segment of a camera: a TIFF structure with one entry, the orientation (a SHORT),
// and no next directory.
QByteArray exifSegment(int o, bool bigEndian) {
    const Bytes tiff =
        bigEndian
            ? Bytes().raw("MM").u8(0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0, 0, 1, 0, o, 0, 0)
            : Bytes().raw("II").u16(42).u32(8).u16(1, 0x112, 3).u32(1).u16(o, 0);
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff.data + QByteArray(4, '\0');
    const int length = int(body.size()) + 2;
    return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + body;
}

QString jpegWithOrientation(const testing_support::TempFolder& folder, const QImage& image,
                            int orientation, bool bigEndian = false) {
    const QString plain = folder.filePath(QStringLiteral("plain.jpg"));
    codecs::encode(image, plain, kFormatJpeg, {.jpegQuality = 95});
    QByteArray bytes = fileBytes(plain);
    bytes.insert(2, exifSegment(orientation, bigEndian));
    return folder.write(QStringLiteral("oriented.jpg"), bytes);
}

struct Orientation {
    int tag;
    bool bigEndian;
    const char* shown;  // the blocks (numbered 0 1 2 / 3 4 5 as stored) row by row, as seen
};

void PrintTo(const Orientation& o, std::ostream* out) {
    *out << o.tag << (o.bigEndian ? "MM" : "II");
}

class JpegOrientation : public testing::TestWithParam<Orientation> {};

TEST_P(JpegOrientation, ShowsThePictureTheRightWayUp) {
    testing_support::TempFolder folder;
    QImage stored(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) stored.setPixel(x, y, kBlocks[y / 16 * 3 + x / 16]);
    const QString path = jpegWithOrientation(folder, stored, GetParam().tag, GetParam().bigEndian);
    const QImage shown = decodeFile(path);
    const QStringList rows = QString::fromLatin1(GetParam().shown).split('/');
    ASSERT_EQ(shown.size(), QSize(16 * int(rows[0].size()), 16 * int(rows.size())));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), shown.size());
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < rows[row].size(); ++column) {
            const QRgb expected = kBlocks[rows[row][column].digitValue()];
            const QRgb actual = shown.pixel(column * 16 + 8, row * 16 + 8);
            EXPECT_LT(colorDistance(actual, expected), 24) << "block " << column << "," << row;
        }
    EXPECT_EQ(decodeFile(path, 1, false).size(), QSize(48, 32));
}

INSTANTIATE_TEST_SUITE_P(
    Tags, JpegOrientation,
    testing::Values(Orientation{1, false, "012/345"}, Orientation{2, false, "210/543"},
                    Orientation{3, false, "543/210"}, Orientation{4, false, "345/012"},
                    Orientation{5, false, "03/14/25"}, Orientation{6, false, "30/41/52"},
                    Orientation{7, false, "52/41/30"}, Orientation{8, false, "25/14/03"},
                    Orientation{6, true, "30/41/52"}));

struct ThumbnailCase {
    const char* name;
    int formatCode;
    QSize source;
    QSize box;
    QSize expected;
};

void PrintTo(const ThumbnailCase& c, std::ostream* out) { *out << c.name; }

class Thumbnail : public testing::TestWithParam<ThumbnailCase> {};

TEST_P(Thumbnail, FitsTheBoxKeepingTheAspectAndNeverEnlarges) {
    const ThumbnailCase& c = GetParam();
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("source"));
    codecs::encode(photoLike(c.source.width(), c.source.height()), path, c.formatCode, {});
    const QImage thumbnail = codecs::decodeThumbnail(path, c.box);
    EXPECT_EQ(thumbnail.size(), c.expected);
    EXPECT_EQ(thumbnail.format(), QImage::Format_RGB32);
}

INSTANTIATE_TEST_SUITE_P(Boxes, Thumbnail,
                         testing::ValuesIn(std::vector<ThumbnailCase>{
                             {"WideJpeg", kFormatJpeg, {2000, 1000}, {276, 204}, {276, 138}},
                             {"TallPng", kFormatPng, {300, 900}, {276, 204}, {68, 204}},
                             {"SmallJpegKept", kFormatJpeg, {100, 50}, {276, 204}, {100, 50}},
                             {"SmallBmpKept", kFormatBmp, {100, 50}, {276, 204}, {100, 50}}}),
                         caseName);

TEST(JpegThumbnail, DecodesAtAReducedScaleWithinTighterLimits) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    codecs::encode(photoLike(1600, 1200), path, kFormatJpeg, {});
    codecs::DecodeOptions options;
    options.limits.maxPixels = 1600 * 1200 / 4;
    // The full image is over the limit; at 1/8 of its size (200 x 150) it is not.
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), kImageTooLarge);
    const QImage thumbnail = codecs::decodeThumbnail(path, QSize(200, 150), options.limits);
    EXPECT_EQ(thumbnail.size(), QSize(200, 150));
    EXPECT_LT(colorDistance(thumbnail.pixel(100, 75), photoLike(1600, 1200).pixel(800, 600)), 40);
}

TEST(JpegThumbnail, IsTurnedByItsOrientation) {
    testing_support::TempFolder folder;
    const QString path = jpegWithOrientation(folder, photoLike(400, 200), 6);
    EXPECT_EQ(codecs::decodeThumbnail(path, QSize(100, 100)).size(), QSize(50, 100));
    EXPECT_EQ(errorNumberOf([&] { codecs::decodeThumbnail(path, QSize(0, 10)); }),
              kInvalidArgument);
}

// A 16 x 8 CMYK JPEG, as print workflows write: the left half `left`, the right half `right`,
// as stored samples.
QByteArray cmykJpeg(const unsigned char (&left)[4], const unsigned char (&right)[4],
                    bool adobeMarker) {
    std::vector<JSAMPLE> row(16 * 4);
    for (int x = 0; x < 16; ++x) std::copy_n(x < 8 ? left : right, 4, row.begin() + 4 * x);
    return codec_tests::libjpegFile(16, 8, 4, JCS_CMYK, row, [&](jpeg_compress_struct& info) {
        jpeg_set_quality(&info, 100, TRUE);
        info.write_Adobe_marker = adobeMarker;
    });
}

// Adobe's applications store the inks inverted and say so with an APP14 marker, which
// libjpeg writes for every CMYK file.
TEST(JpegCmyk, IsShownInRgbWithAdobesInversionRecognised) {
    testing_support::TempFolder folder;
    // Red is full magenta and yellow; dark grey is half black. Adobe stores 255 - ink.
    const unsigned char red[] = {0, 255, 255, 0}, grey[] = {0, 0, 0, 128};
    const unsigned char adobeRed[] = {255, 0, 0, 255}, adobeGrey[] = {255, 255, 255, 127};
    for (const auto& [file, marker] : {std::pair{cmykJpeg(red, grey, false), false},
                                       std::pair{cmykJpeg(adobeRed, adobeGrey, true), true}}) {
        SCOPED_TRACE(marker ? "Adobe" : "plain");
        const QString path = folder.write(QStringLiteral("cmyk.jpg"), file);
        const QImage image = decodeFile(path);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_LT(colorDistance(image.pixel(2, 4), R), 12);
        EXPECT_LT(colorDistance(image.pixel(13, 4), qRgb(127, 127, 127)), 12);
        EXPECT_EQ(codecs::inspect(path).bitsPerPixel, 32);
    }
}

}  // namespace
