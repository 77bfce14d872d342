#include <QBuffer>
#include <QImageWriter>

#include "CodecTestSupport.h"

// Hand-made files for the variants our writers never produce, for truncated data, lying
// headers and decompression bombs, for files of several images, and for metafiles that draw.
namespace {

using namespace codec_tests;
using namespace imaging;  // the format codes and error numbers

Bytes bmpInfo(int width, int height, int bitCount, int compression, int used = 0) {
    return Bytes().u32(40, width, height).u16(1, bitCount).u32(compression, 0, 2835, 2835, used, 0);
}

Bytes withPalette(Bytes b, std::initializer_list<QRgb> colors) {
    for (QRgb c : colors) b.bgr({c}).u8(0);
    return b;
}

QByteArray bmp(const Bytes& info, const Bytes& pixels) {
    const auto offset = 14 + info.data.size();
    return Bytes().raw("BM").u32(offset + pixels.data.size(), 0, offset).raw(info.data).data +
           pixels.data;
}

// A version 5 header of 32 bits with bit fields, alpha included.
Bytes bmpInfoV5(int width) {
    return Bytes()
        .u32(124, width, 1)
        .u16(1, 32)
        .u32(3, 0, 0, 0, 0, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
        .fill(124 - 56);
}

Bytes pcx(int bits, int planes, int width, int height, int bytesPerLine, bool rle = true,
          std::initializer_list<QRgb> ega = {}) {
    Bytes b = Bytes().u8(0x0A, 5, rle, bits).u16(0, 0, width - 1, height - 1, 96, 96);
    for (QRgb c : ega) b.u8(qRed(c), qGreen(c), qBlue(c));
    return b.fill(48 - 3 * qsizetype(ega.size())).u8(0, planes).u16(bytesPerLine, 1).fill(128 - 70);
}

Bytes tga(int type, int depth, int width, int height, int descriptor, int mapLength = 0,
          int mapFirst = 0, int mapBits = 0) {
    return Bytes()
        .u8(0, mapLength ? 1 : 0, type)
        .u16(mapFirst, mapLength)
        .u8(mapBits)
        .u16(0, 0, width, height)
        .u8(depth, descriptor);
}

QByteArray withFooter(Bytes file, std::uint32_t extensionOffset = 0) {
    return file.u32(extensionOffset, 0).raw(QByteArray("TRUEVISION-XFILE.", 18)).data;
}

std::vector<FileCase> bmpCases() {
    const Bytes rle8 = withPalette(bmpInfo(4, 3, 8, 1), {K, R, G, B});
    const Bytes rle4 = withPalette(bmpInfo(5, 1, 4, 2), {K, R, G, B});
    const Bytes fields565 = bmpInfo(2, 1, 16, 3).u32(0xF800, 0x07E0, 0x001F);
    return {
        // Bottom-up: the last stored row is the top one; rows padded to 4 bytes.
        {"BmpOneBit",
         bmp(withPalette(bmpInfo(3, 2, 1, 0), {K, W}),
             Bytes().u8(0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0)),
         imageOf(3, {W, K, W, K, W, K})},
        {"BmpFourBitTopDown",
         bmp(withPalette(bmpInfo(3, -2, 4, 0, 3), {R, G, B}),
             Bytes().u8(1, 0x20, 0, 0, 0x22, 0x10, 0, 0)),
         imageOf(3, {R, G, B, B, B, G})},
        {"BmpSixteen555", bmp(bmpInfo(2, 1, 16, 0), Bytes().u16(0x7C00, 0x03FF)),
         imageOf(2, {R, 0xFF00FFFF})},
        {"BmpSixteen565", bmp(fields565, Bytes().u16(0x07E0, 0x001F)), imageOf(2, {G, B})},
        {"BmpThirtyTwoAlpha", bmp(bmpInfoV5(2), Bytes().u32(0x80FF0000, 0x0000FF00)),
         imageOf(2, {0x80FF0000, 0x0000FF00}, QImage::Format_ARGB32)},
        {"BmpThirtyTwoUnusedAlpha", bmp(bmpInfoV5(2), Bytes().u32(0x00FF0000, 0x0000FF00)),
         imageOf(2, {R, G})},
        {"BmpThirtyTwoPlain", bmp(bmpInfo(2, 1, 32, 0), Bytes().u32(0x12FF0000, 0x340000FF)),
         imageOf(2, {R, B})},
        // A run, an odd literal with its pad byte (the pixel past the edge is dropped), end of
        // line, a delta one right and one up, a run, end of bitmap.
        {"BmpRle8", bmp(rle8, Bytes().u8(2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1)),
         imageOf(4, {K, B, K, K, K, K, K, K, R, R, G, B})},
        // RLE4: a run alternates its two nibbles; then a literal of three nibbles.
        {"BmpRle4", bmp(rle4, Bytes().u8(2, 0x12, 0, 3, 0x31, 0x20, 0, 1)),
         imageOf(5, {R, G, B, R, G})},
        // The oldest header: 12 bytes, three-byte palette entries, fewer than the depth allows.
        {"BmpCoreHeader", bmp(Bytes().u32(12).u16(2, 1, 1, 8).bgr({R, B}), Bytes().u8(1, 0, 0, 0)),
         imageOf(2, {B, R})},
        // Writers often leave out the padding after the last row.
        {"BmpShortLastRow", bmp(bmpInfo(1, 2, 24, 0), Bytes().bgr({R}).u8(0).bgr({G})),
         imageOf(1, {G, R})},
    };
}

std::vector<FileCase> pcxCases() {
    Bytes vga = pcx(8, 1, 4, 1, 4).u8(0xC2, 1, 0xC1, 0xC5, 2, 0x0C);
    for (unsigned i = 0; i < 256; ++i)
        vga.u8(i == 1 ? 255 : 0, i == 2 ? 255 : 0, i == 0xC5 ? 255 : 0);
    return {
        // 1-bit files are black and white whatever their header palette says.
        {"PcxMono", pcx(1, 1, 10, 1, 2, false, {R, G}).u8(0b10100000, 0b01000000).data,
         imageOf(10, {W, K, W, K, K, K, K, K, K, W})},
        // Four 1-bit planes: plane n gives bit n of the index into the header's 16 colours.
        {"PcxEgaPlanes",
         pcx(1, 4, 2, 1, 2, true, {K, R, G, B}).u8(0x80, 0, 0x40, 0, 0, 0, 0, 0).data,
         imageOf(2, {R, G})},
        // The 256-colour table at the end; 0xC1 0xC5 is a run of one byte 0xC5.
        {"PcxVga", vga.data, imageOf(4, {R, R, B, G})},
        {"PcxGreyWithoutTable", pcx(8, 1, 2, 1, 2).u8(0, 0xC1, 0xFF).data, imageOf(2, {K, W})},
        // Three planes; this run carries on from the red plane into the green one.
        {"Pcx24RunAcrossPlanes", pcx(8, 3, 2, 1, 2).u8(0xC3, 0xFF, 0, 0, 0xC1, 0xFF).data,
         imageOf(2, {0xFFFFFF00, 0xFFFF00FF})},
        {"Pcx32", pcx(8, 4, 1, 1, 2, false).u8(255, 0, 0, 0, 0, 0, 0x80, 0).data,
         imageOf(1, {0x80FF0000}, QImage::Format_ARGB32)},
    };
}

std::vector<FileCase> tgaCases() {
    // The same 2 x 2 picture R G / B W stored from each corner.
    const auto corner = [](const char* name, int descriptor, std::initializer_list<QRgb> stored) {
        return FileCase{name, tga(2, 24, 2, 2, descriptor).bgr(stored).data,
                        imageOf(2, {R, G, B, W})};
    };
    Bytes sixteen = tga(2, 16, 2, 1, 0x21);  // one attribute bit of alpha, top-left origin
    sixteen.data[0] = 3;                     // an identification field to skip
    Bytes denied = tga(2, 32, 1, 1, 0x08).u32(0x10FF0000);
    const auto extension = std::uint32_t(denied.data.size());
    denied.u16(495).fill(494 - 2).u8(0);  // extension area: attributes type 0, no alpha
    return {
        corner("TgaBottomLeft", 0x00, {B, W, R, G}),
        corner("TgaBottomRight", 0x10, {W, B, G, R}),
        corner("TgaTopLeft", 0x20, {R, G, B, W}),
        corner("TgaTopRight", 0x30, {G, R, W, B}),
        {"Tga16Alpha", sixteen.raw("abc").u16(0xFC00, 0x03E0).data,
         imageOf(2, {R, 0x0000FF00}, QImage::Format_ARGB32)},
        // Colour-mapped, the map starting at index 5; index 9 lies outside it.
        {"TgaMapped", tga(1, 8, 3, 1, 0x20, 2, 5, 24).u8(255, 0, 0, 0, 255, 0, 5, 6, 9).data,
         imageOf(3, {B, G, K})},
        // Run-length grey whose first packet runs on from the first line into the second.
        {"TgaRleGreyAcrossLines", withFooter(tga(11, 8, 2, 2, 0x20).u8(0x82, 255, 0, 0)),
         imageOf(2, {W, W, W, K})},
        {"TgaAlphaDenied", withFooter(denied, extension), imageOf(1, {R})},
        {"TgaUnusedAlpha", tga(2, 32, 1, 1, 0x08).u32(0x0000FF00).data, imageOf(1, {G})},
    };
}

class HandMadeFile : public testing::TestWithParam<FileCase> {};

TEST_P(HandMadeFile, DecodesToItsPicture) {
    testing_support::TempFolder folder;
    const QImage decoded = decodeFile(folder.write(QStringLiteral("file"), GetParam().file));
    EXPECT_EQ(decoded.format(), GetParam().expected.format());
    EXPECT_EQ(maxChannelDifference(decoded, GetParam().expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Bmp, HandMadeFile, testing::ValuesIn(bmpCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Pcx, HandMadeFile, testing::ValuesIn(pcxCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Tga, HandMadeFile, testing::ValuesIn(tgaCases()), caseName);

struct GreyPage {
    int width, height;
    QByteArray pixels;  // one byte a pixel, top row first
    int orientation = 1;
};

// An uncompressed greyscale TIFF, one page after the other.
QByteArray tiffOf(const std::vector<GreyPage>& pages) {
    Bytes file = Bytes().raw(QByteArray("II*\0", 4)).u32(8);
    for (const GreyPage& page : pages) {
        const qsizetype pixelsAt = file.data.size() + 2 + 10 * 12 + 4;
        const qsizetype nextIfd = (pixelsAt + page.pixels.size() + 1) & ~1;
        // Tag, type (3 a SHORT, 4 a LONG), value; photometric 1: black is zero.
        const qsizetype entries[10][3] = {{256, 4, page.width},
                                          {257, 4, page.height},
                                          {258, 3, 8},
                                          {259, 3, 1},
                                          {262, 3, 1},
                                          {273, 4, pixelsAt},
                                          {274, 3, page.orientation},
                                          {277, 3, 1},
                                          {278, 4, page.height},
                                          {279, 4, page.pixels.size()}};
        file.u16(10);
        // A SHORT fills the first two bytes of the four-byte field, as a LONG of it would.
        for (const auto& e : entries) file.u16(e[0], e[1]).u32(1, e[2]);
        file.u32(&page == &pages.back() ? 0 : nextIfd).raw(page.pixels);
        if (file.data.size() & 1) file.u8(0);
    }
    return file.data;
}

QByteArray pngHeader(std::uint32_t width, std::uint32_t height) {
    QByteArray ihdr("\0\0\0\x0DIHDR", 8);
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.append(char(v >> shift));
    ihdr.append("\x08\x02\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + ihdr + QByteArray(4, '\0');
}

QByteArray jpegHeader(unsigned width, unsigned height) {
    QByteArray sof("\xFF\xD8\xFF\xC0\0\x11\x08", 7);
    sof.append(char(height >> 8)).append(char(height)).append(char(width >> 8)).append(char(width));
    sof.append("\x03\x01\x22\0\x02\x11\0\x03\x11\0", 10);
    return sof + QByteArray("\xFF\xDA\0\x0C\x03\x01\0\x02\x11\x03\x11\0\x3F\0", 14) +
           QByteArray(64, '\0');
}

// Metafiles that draw rather than carry one bitmap go through libwmf or libemf2svg.

// A placeable WMF of 100 x 50 units at 96 an inch: a white background, then a green
// rectangle over its right half.
QByteArray vectorWmf() {
    Bytes records;
    records.u32(4).u16(0x0103, 8);                   // SetMapMode(anisotropic)
    records.u32(5).u16(0x020B, 0, 0);                // SetWindowOrg
    records.u32(5).u16(0x020C, 50, 100);             // SetWindowExt
    records.u32(8).u16(0x02FA, 5, 0, 0, 0, 0);       // CreatePenIndirect(null pen)
    records.u32(4).u16(0x012D, 0);                   // SelectObject
    records.u32(7).u16(0x02FC, 0, 0xFFFF, 0xFF, 0);  // CreateBrushIndirect(white)
    records.u32(4).u16(0x012D, 1);
    records.u32(7).u16(0x041B, 50, 100, 0, 0);    // Rectangle(0, 0, 100, 50)
    records.u32(7).u16(0x02FC, 0, 0xFF00, 0, 0);  // CreateBrushIndirect(green)
    records.u32(4).u16(0x012D, 2);
    records.u32(7).u16(0x041B, 50, 100, 0, 50);  // Rectangle(50, 0, 100, 50)
    records.u32(3).u16(0);
    // Placeable header: key, handle, bounds, units an inch, reserved, checksum of the rest;
    // then the header of the records.
    return Bytes()
        .u16(0xCDD7, 0x9AC6, 0, 0, 0, 100, 50, 96, 0, 0, 0xCDD7 ^ 0x9AC6 ^ 100 ^ 50 ^ 96)
        .u16(1, 9, 0x0300)
        .u32(9 + records.data.size() / 2)
        .u16(3)
        .u32(9)
        .u16(0)
        .raw(records.data)
        .data;
}

// An EMF with bounds of 80 x 40 pixels: a red rectangle over all of it.
QByteArray vectorEmf() {
    Bytes records;
    records.u32(39, 24, 1, 0, 0x000000FF, 0);  // CreateBrushIndirect(1, red)
    records.u32(37, 12, 1);                    // SelectObject(1)
    records.u32(43, 24, 0, 0, 79, 39);         // Rectangle
    records.u32(14, 20, 0, 16, 20);            // EOF
    return Bytes()
        .u32(1, 88, 0, 0, 79, 39, 0, 0, 2116, 1058, 0x464D4520, 0x10000)
        .u32(88 + records.data.size(), 5)
        .u16(2, 0)
        .u32(0, 0, 0, 1920, 1080, 508, 286)
        .raw(records.data)
        .data;
}

std::vector<BadFileCase> badFiles() {
    const Bytes rle8 = withPalette(bmpInfo(4, 4, 8, 1), {K, R});
    return {
        {"BmpTruncated", bmp(bmpInfo(10, 10, 24, 0), Bytes().fill(100)), kCorruptFile},
        {"BmpRleEndsEarly", bmp(rle8, Bytes().u8(4, 1, 0, 0)), kCorruptFile},
        {"BmpOddDepth", bmp(bmpInfo(2, 2, 7, 0), Bytes().fill(16)), kCorruptFile},
        {"BmpEmbeddedJpeg", bmp(bmpInfo(2, 2, 0, 4), Bytes().fill(16)), kUnsupportedFile},
        {"BmpBomb", bmp(bmpInfo(20000, 20000, 24, 0), Bytes().fill(64)), kImageTooLarge},
        {"BmpRleBomb", bmp(bmpInfo(20000, 20000, 8, 1), Bytes().fill(4)), kImageTooLarge},
        {"PcxTruncated", pcx(8, 3, 4, 4, 4, false).fill(20).data, kCorruptFile},
        {"PcxLineTooShort", pcx(8, 1, 10, 1, 4).fill(10).data, kCorruptFile},
        // 10000 x 10000 is within the limits, but two bytes of runs cannot fill it.
        {"PcxLyingSize", pcx(8, 3, 10000, 10000, 10000).u8(0xFF, 0).data, kCorruptFile},
        {"PcxBomb", pcx(8, 3, 20000, 20000, 20000).u8(0xFF, 0).data, kImageTooLarge},
        {"TgaTruncated", tga(2, 24, 4, 4, 0).fill(20).data, kCorruptFile},
        {"TgaRleTruncated", withFooter(tga(10, 24, 300, 300, 0).u8(0xFF).fill(3)), kCorruptFile},
        {"TgaBomb", withFooter(tga(10, 24, 20000, 20000, 0).u8(0xFF).fill(3)), kImageTooLarge},
        {"TgaHuffman", withFooter(tga(32, 8, 4, 4, 0).fill(16)), kUnsupportedFile},
        {"PngBomb", pngHeader(20000, 20000), kImageTooLarge},
        {"JpegBomb", jpegHeader(20000, 20000), kImageTooLarge},
        {"TiffBomb", tiffOf({{20000, 20000, QByteArray(16, '\0')}}), kImageTooLarge},
        // The last rectangle claims more words than are left.
        {"WmfBrokenRecord", vectorWmf().chopped(10), kCorruptFile},
        {"EmfBrokenRecord", vectorEmf().chopped(8), kCorruptFile},
    };
}

class RefusedFile : public testing::TestWithParam<BadFileCase> {};

// Refused before the pixels are allocated: a bomb would take 1.6 GB.
TEST_P(RefusedFile, IsRefusedWithTheRightError) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("bad"), GetParam().file);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path); }), GetParam().error);
    // Every bomb here is 20000 x 20000; inspecting still describes it.
    if (GetParam().error == kImageTooLarge) {
        EXPECT_EQ(codecs::inspect(path).width, 20000);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFile, testing::ValuesIn(badFiles()), caseName);

TEST(TiffPages, AreCountedEachOneDecodesAndFollowsItsOrientation) {
    testing_support::TempFolder folder;
    const QString path =
        folder.write(QStringLiteral("pages.tif"),
                     tiffOf({{3, 2, QByteArray(6, char(50))}, {2, 4, QByteArray(8, char(200))}}));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(facts.imageCount, 2);
    EXPECT_EQ(QSize(facts.width, facts.height), QSize(3, 2));
    EXPECT_EQ(facts.bitsPerPixel, 8);
    EXPECT_EQ(decodeFile(path, 1).pixel(0, 0), qRgb(50, 50, 50));
    const QImage second = decodeFile(path, 2);
    EXPECT_EQ(second.size(), QSize(2, 4));
    EXPECT_EQ(second.pixel(1, 3), qRgb(200, 200, 200));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 3); }), kNoSuchImage);

    // Stored 3 x 2: 10 20 30 / 40 50 60; orientation 6 shows it turned a quarter clockwise.
    const QString turned =
        folder.write(QStringLiteral("turned.tif"), tiffOf({{3, 2, "\x0A\x14\x1E\x28\x32\x3C", 6}}));
    const QImage shown = decodeFile(turned);
    ASSERT_EQ(shown.size(), QSize(2, 3));
    EXPECT_EQ(qRed(shown.pixel(0, 0)), 40);
    EXPECT_EQ(qRed(shown.pixel(1, 0)), 10);
    EXPECT_EQ(qRed(shown.pixel(0, 2)), 60);
    EXPECT_EQ(QSize(codecs::inspect(turned).width, codecs::inspect(turned).height), QSize(2, 3));
    EXPECT_EQ(decodeFile(turned, 1, false).size(), QSize(3, 2));
}

class IconFile : public testing::TestWithParam<unsigned> {};

// A 16 x 16 32-bit bitmap (double height, bottom-up pixels, then the AND mask), then a
// 32 x 32 PNG image.
TEST_P(IconFile, HoldsEveryImageIncludingPngOnes) {
    testing_support::TempFolder folder;
    QImage png(32, 32, QImage::Format_ARGB32);
    png.fill(qRgba(0, 255, 0, 128));
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    Bytes bitmap = Bytes().u32(40, 16, 32).u16(1, 32).u32(0, 0).fill(16);
    for (int i = 0; i < 16 * 16; ++i) bitmap.u32(0xFF2040C0);
    bitmap.fill(4 * 16);
    const QString path = folder.write(QStringLiteral("icons"),
                                      Bytes()
                                          .u16(0, GetParam(), 2)
                                          .u8(16, 16, 0, 0)
                                          .u16(1, 32)
                                          .u32(bitmap.data.size(), 6 + 2 * 16)
                                          .u8(32, 32, 0, 0)
                                          .u16(1, 32)
                                          .u32(pngBytes.size(), 6 + 2 * 16 + bitmap.data.size())
                                          .raw(bitmap.data)
                                          .raw(pngBytes)
                                          .data);
    int code = -1;
    const QImage first = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, kFormatNone);
    EXPECT_EQ(first.size(), QSize(16, 16));
    EXPECT_EQ(first.pixel(3, 3), 0xFF2040C0);
    const QImage second = decodeFile(path, 2);
    EXPECT_EQ(second.size(), QSize(32, 32));
    EXPECT_EQ(second.format(), QImage::Format_ARGB32);
    EXPECT_EQ(second.pixel(5, 5), qRgba(0, 255, 0, 128));
    EXPECT_EQ(codecs::inspect(path).imageCount, 2);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 3); }), kNoSuchImage);
}

INSTANTIATE_TEST_SUITE_P(IconsAndCursors, IconFile, testing::Values(1u, 2u));

TEST(GifFrames, AreCountedAndReadInTurn) {
    // Two 2 x 2 frames, red then blue.
    static const unsigned char kGif[] = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00,
        0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45, 0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32,
        0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02,
        0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x21, 0xf9, 0x04, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00,
        0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3b};
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("anim.gif"),
                                      QByteArray(reinterpret_cast<const char*>(kGif), sizeof kGif));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(facts.formatCode, kFormatNone);
    EXPECT_EQ(facts.imageCount, 2);
    EXPECT_EQ(decodeFile(path, 1).pixel(1, 1), 0xFFFF0000);
    EXPECT_EQ(decodeFile(path, 2).pixel(1, 1), 0xFF0000FF);
}

TEST(WebP, IsReadThroughQtWithItsAlpha) {
    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("picture.webp"));
    QImageWriter writer(path, "webp");
    writer.setQuality(100);  // lossless
    ASSERT_TRUE(writer.write(flatColors(20, 10, true)));
    int code = -1;
    const QImage decoded = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, kFormatNone);
    EXPECT_EQ(decoded.format(), QImage::Format_ARGB32);
    EXPECT_EQ(maxChannelDifference(decoded, flatColors(20, 10, true)), 0);
    EXPECT_EQ(codecs::inspect(path).bitsPerPixel, 32);
}

TEST(VectorMetafile, WmfIsDrawnAtItsPlaceableSizeWithinTheLimits) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("drawing.wmf"), vectorWmf());
    int code = -1;
    const QImage image = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, kFormatWmf);
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_LT(colorDistance(image.pixel(20, 25), W), 30);
    EXPECT_LT(colorDistance(image.pixel(80, 25), G), 30);
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), QSize(100, 50));
    codecs::DecodeOptions options;
    options.limits.maxPixels = 4999;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), kImageTooLarge);
}

TEST(VectorMetafile, EmfIsDrawnAtItsBounds) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("drawing.emf"), vectorEmf());
    int code = -1;
    const QImage image = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, kFormatEmf);
    EXPECT_NEAR(image.width(), 80, 1);
    EXPECT_NEAR(image.height(), 40, 1);
    EXPECT_LT(colorDistance(image.pixel(40, 20), R), 30);
}

}  // namespace
