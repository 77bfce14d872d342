#include "HandMadeFiles.h"

// Hand-made files of the variants our writers never produce, pages and orientations, and
// previews at reduced size.
namespace {

using namespace imaging_testing;
using namespace imaging;  // the format codes and error numbers

// An image from its pixels, top row first.
QImage imageOf(int width, std::initializer_list<QRgb> pixels,
               QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, int(pixels.size()) / width, format);
    for (int i = 0; i < int(pixels.size()); ++i)
        image.setPixel(i % width, i / width, pixels.begin()[i]);
    return image;
}

struct HandMade {
    const char* name;
    QByteArray file;
    QImage picture;
};

std::vector<HandMade> handMadeFiles() {
    std::vector<HandMade> files = {
        // Bottom-up: the last stored row is the top one; rows padded to 4 bytes.

        // A run, an odd literal with its pad byte (the pixel past the edge is dropped), end of
        // line, a delta one right and one up, a run, end of bitmap.
        {"BmpRle8",
         bmp(4, 3, 8, 1, {K, R, G, B},
             Bytes().u8(2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1).data),
         imageOf(4, {K, B, K, K, K, K, K, K, R, R, G, B})},
        // RLE4: a run alternates its two nibbles; then a literal of three nibbles.
        {"BmpRle4", bmp(5, 1, 4, 2, {K, R, G, B}, Bytes().u8(2, 0x12, 0, 3, 0x31, 0x20, 0, 1).data),
         imageOf(5, {R, G, B, R, G})},
        // Four 1-bit planes: plane n gives bit n of the index into the header's 16 colours.
        {"PcxEgaPlanes",
         pcx(1, 4, 2, 1, 2, true, {K, R, G, B}).u8(0x80, 0, 0x40, 0, 0, 0, 0, 0).data,
         imageOf(2, {R, G})},
        // Colour-mapped, the map starting at index 5; index 9 lies outside it.
        {"TgaMapped", tga(1, 8, 3, 1, 0x20, 2, 5, 24).u8(255, 0, 0, 0, 255, 0, 5, 6, 9).data,
         imageOf(3, {B, G, K})},
        // Run-length grey whose first packet runs on from the first line into the second.
        {"TgaRleGreyAcrossLines", withFooter(tga(11, 8, 2, 2, 0x20).u8(0x82, 255, 0, 0)),
         imageOf(2, {W, W, W, K})}};
    // The same 2 x 2 picture R G / B W stored from each corner.
    const std::initializer_list<QRgb> corners[] = {
        {B, W, R, G}, {W, B, G, R}, {R, G, B, W}, {G, R, W, B}};
    for (int corner = 0; corner < 4; ++corner)
        files.push_back({"TgaFromEachCorner",
                         tga(2, 24, 2, 2, corner << 4).bgr(corners[corner]).data,
                         imageOf(2, {R, G, B, W})});
    return files;
}

TEST(HandMadeFile, DecodesToItsPicture) {
    TempFolder folder;
    for (const HandMade& c : handMadeFiles()) {
        const QImage decoded = decodeFile(folder.write(QStringLiteral("file"), c.file));
        EXPECT_TRUE(samePixels(c.picture, decoded)) << c.name;
    }
}

// A camera's APP1 segment: a TIFF structure with one entry, the orientation.
QByteArray withOrientation(QByteArray jpeg, int orientation) {
    const QByteArray exif =
        QByteArray("Exif\0\0", 6) +
        Bytes().raw("II").u16(42).u32(8).u16(1, 0x112, 3).u32(1).u16(orientation, 0).u32(0).data;
    const int length = int(exif.size()) + 2;
    return jpeg.insert(2, QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length) + exif);
}

// A preview fits the box keeping the aspect and never enlarges; a JPEG decodes at a reduced
// DCT scale, within limits its full size is over, and turned by its orientation.
TEST(Thumbnail, FitsTheBoxAndDecodesAJpegAtAReducedScale) {
    TempFolder folder;
    const QImage photo = photoLike(1600, 1200);
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    codecs::encode(photo, path, kFormatJpeg, {});
    const codecs::DecodeLimits limits{1600 * 1200 / 4, std::int64_t(1) << 32};
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, {1, true, limits}); }), kImageTooLarge);
    const QImage thumbnail = codecs::decodeThumbnail(path, QSize(200, 150), limits);
    ASSERT_EQ(thumbnail.size(), QSize(200, 150));
    EXPECT_LT(colorDistance(thumbnail.pixel(100, 75), photo.pixel(800, 600)), 40);
    EXPECT_EQ(codecs::decodeThumbnail(path, QSize(100, 100)).size(), QSize(100, 75));
    EXPECT_EQ(codecs::decodeThumbnail(path, QSize(4000, 4000)).size(), QSize(1600, 1200));
    const QString turned = folder.write("turned.jpg", withOrientation(fileBytes(path), 6));
    EXPECT_EQ(codecs::decodeThumbnail(turned, QSize(100, 100)).size(), QSize(75, 100));
    EXPECT_LT(colorDistance(decodeFile(turned).pixel(1199, 0), photo.pixel(0, 0)), 40);
    EXPECT_EQ(errorNumberOf([&] { codecs::decodeThumbnail(path, QSize(0, 10)); }),
              kInvalidArgument);
}

}  // namespace
