#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

namespace {

using namespace codec_tests;
namespace codecs = imaging::codecs;

// Six flat 16-pixel blocks, three across and two down, far apart in colour so that JPEG
// keeps each recognisable at its centre.
const QRgb kBlocks[2][3] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
                            {0xFFFFFF00, 0xFF00FFFF, 0xFFFFFFFF}};

QImage blocks() {
    QImage image(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) image.setPixel(x, y, kBlocks[y / 16][x / 16]);
    return image;
}

// The APP1 segment of a camera: a TIFF structure with one entry, the orientation (a SHORT),
// and no next directory.
QByteArray exifSegment(int orientation, bool bigEndian) {
    const auto o = unsigned(orientation);
    const Bytes tiff = bigEndian ? Bytes().raw("MM").u8s({0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12,
                                                          0, 3,  0, 0, 0, 1, 0, o, 0, 0})
                                 : Bytes().raw("II").u8s({42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1,
                                                          3,  0, 1, 0, 0, 0, o, 0, 0,    0});
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff.data + QByteArray(4, '\0');
    const int length = int(body.size()) + 2;
    return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + body;
}

QString jpegWithOrientation(const testing_support::TempFolder& folder, const QImage& image,
                            int orientation, bool bigEndian = false) {
    const QString plain = folder.filePath(QStringLiteral("plain.jpg"));
    codecs::EncodeOptions options;
    options.jpegQuality = 95;
    codecs::encode(image, plain, imaging::kFormatJpeg, options);
    QByteArray bytes = fileBytes(plain);
    bytes.insert(2, exifSegment(orientation, bigEndian));
    return folder.write(QStringLiteral("oriented.jpg"), bytes);
}

struct Orientation {
    int tag;
    bool bigEndian;
};

void PrintTo(const Orientation& o, std::ostream* out) {
    *out << o.tag << (o.bigEndian ? "MM" : "II");
}

// The block the viewer sees at block position (column, row) of the shown picture.
QRgb shownBlock(int tag, int column, int row) {
    switch (tag) {
        case 2:
            return kBlocks[row][2 - column];
        case 3:
            return kBlocks[1 - row][2 - column];
        case 4:
            return kBlocks[1 - row][column];
        case 5:
            return kBlocks[column][row];
        case 6:
            return kBlocks[1 - column][row];
        case 7:
            return kBlocks[1 - column][2 - row];
        case 8:
            return kBlocks[column][2 - row];
        default:
            return kBlocks[row][column];
    }
}

class JpegOrientation : public testing::TestWithParam<Orientation> {};

TEST_P(JpegOrientation, ShowsThePictureTheRightWayUp) {
    testing_support::TempFolder folder;
    const int tag = GetParam().tag;
    const QString path = jpegWithOrientation(folder, blocks(), tag, GetParam().bigEndian);
    const QImage shown = decodeFile(path);
    const bool turned = tag >= 5;
    ASSERT_EQ(shown.size(), turned ? QSize(32, 48) : QSize(48, 32));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), shown.size());
    for (int row = 0; row < shown.height() / 16; ++row)
        for (int column = 0; column < shown.width() / 16; ++column) {
            const QRgb expected = shownBlock(tag, column, row);
            const QRgb actual = shown.pixel(column * 16 + 8, row * 16 + 8);
            EXPECT_LT(colorDistance(actual, expected), 24) << "block " << column << "," << row;
        }
    EXPECT_EQ(decodeFile(path, 1, false).size(), QSize(48, 32));
}

INSTANTIATE_TEST_SUITE_P(Tags, JpegOrientation,
                         testing::Values(Orientation{1, false}, Orientation{2, false},
                                         Orientation{3, false}, Orientation{4, false},
                                         Orientation{5, false}, Orientation{6, false},
                                         Orientation{7, false}, Orientation{8, false},
                                         Orientation{6, true}));

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

INSTANTIATE_TEST_SUITE_P(
    Boxes, Thumbnail,
    testing::Values(
        ThumbnailCase{"WideJpeg", imaging::kFormatJpeg, {2000, 1000}, {276, 204}, {276, 138}},
        ThumbnailCase{"TallPng", imaging::kFormatPng, {300, 900}, {276, 204}, {68, 204}},
        ThumbnailCase{"SmallJpegKept", imaging::kFormatJpeg, {100, 50}, {276, 204}, {100, 50}},
        ThumbnailCase{"SmallBmpKept", imaging::kFormatBmp, {100, 50}, {276, 204}, {100, 50}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegThumbnail, DecodesAtAReducedScaleWithinTighterLimits) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    codecs::encode(photoLike(1600, 1200), path, imaging::kFormatJpeg, {});
    codecs::DecodeLimits limits;
    limits.maxPixels = 1600 * 1200 / 4;
    codecs::DecodeOptions options;
    options.limits = limits;
    // The full image is over the limit; at 1/8 of its size (200 x 150) it is not.
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), imaging::kImageTooLarge);
    const QImage thumbnail = codecs::decodeThumbnail(path, QSize(200, 150), limits);
    EXPECT_EQ(thumbnail.size(), QSize(200, 150));
    const QRgb expected = photoLike(1600, 1200).pixel(800, 600);
    const QRgb actual = thumbnail.pixel(100, 75);
    EXPECT_LT(colorDistance(actual, expected), 40);
}

TEST(JpegThumbnail, IsTurnedByItsOrientation) {
    testing_support::TempFolder folder;
    const QString path = jpegWithOrientation(folder, photoLike(400, 200), 6);
    EXPECT_EQ(codecs::decodeThumbnail(path, QSize(100, 100)).size(), QSize(50, 100));
    EXPECT_EQ(errorNumberOf([&] { codecs::decodeThumbnail(path, QSize(0, 10)); }),
              imaging::kInvalidArgument);
}

}  // namespace
