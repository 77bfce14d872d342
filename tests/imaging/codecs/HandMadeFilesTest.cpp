#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

// Hand-made BMP, PCX and Targa files for the variants our writers never produce, and for
// truncated data, lying headers and decompression bombs.
namespace {

using namespace codec_tests;

Bytes bmpInfo(int width, int height, int bitCount, std::uint32_t compression, int used = 0) {
    return Bytes()
        .u32s({40, std::uint32_t(width), std::uint32_t(height)})
        .u16s({1, unsigned(bitCount)})
        .u32s({compression, 0, 2835, 2835, std::uint32_t(used), 0});
}

Bytes& palette(Bytes& b, std::initializer_list<QRgb> colors) {
    for (QRgb c : colors) b.u8s({unsigned(qBlue(c)), unsigned(qGreen(c)), unsigned(qRed(c)), 0});
    return b;
}

QByteArray bmp(const Bytes& info, const QByteArray& pixels) {
    const auto offset = std::uint32_t(14 + info.data.size());
    return Bytes()
        .raw("BM")
        .u32s({std::uint32_t(offset + pixels.size()), 0, offset})
        .raw(info.data)
        .raw(pixels)
        .data;
}

// A version 5 header of 32 bits with bit fields, alpha included.
Bytes bmpInfoV5(int width) {
    return Bytes()
        .u32s({124, std::uint32_t(width), 1})
        .u16s({1, 32})
        .u32s({3, 0, 0, 0, 0, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000})
        .fill(124 - 56, 0);
}

Bytes pcx(int bits, int planes, int width, int height, int bytesPerLine, bool rle = true,
          std::initializer_list<QRgb> ega = {}) {
    Bytes b;
    b.u8s({0x0A, 5, rle ? 1u : 0u, unsigned(bits)})
        .u16s({0, 0, unsigned(width - 1), unsigned(height - 1), 96, 96});
    for (QRgb c : ega) b.u8s({unsigned(qRed(c)), unsigned(qGreen(c)), unsigned(qBlue(c))});
    b.fill(48 - 3 * int(ega.size()), 0)
        .u8s({0, unsigned(planes)})
        .u16s({unsigned(bytesPerLine), 1});
    return b.fill(128 - 70, 0);
}

Bytes tga(int type, int depth, int width, int height, int descriptor, int mapLength = 0,
          int mapFirst = 0, int mapBits = 0) {
    return Bytes()
        .u8s({0, mapLength ? 1u : 0u, unsigned(type)})
        .u16s({unsigned(mapFirst), unsigned(mapLength)})
        .u8(unsigned(mapBits))
        .u16s({0, 0, unsigned(width), unsigned(height)})
        .u8s({unsigned(depth), unsigned(descriptor)});
}

QByteArray withFooter(Bytes file, std::uint32_t extensionOffset = 0) {
    return file.u32s({extensionOffset, 0}).raw(QByteArray("TRUEVISION-XFILE.", 18)).data;
}

std::vector<FileCase> bmpCases() {
    Bytes oneBit = bmpInfo(3, 2, 1, 0), fourBit = bmpInfo(3, -2, 4, 0, 3),
          rle8 = bmpInfo(4, 3, 8, 1), rle4 = bmpInfo(5, 1, 4, 2),
          fields565 = bmpInfo(2, 1, 16, 3).u32s({0xF800, 0x07E0, 0x001F});
    palette(oneBit, {K, W});
    palette(fourBit, {R, G, B});
    palette(rle8, {K, R, G, B});
    palette(rle4, {K, R, G, B});
    const Bytes core = Bytes().u32(12).u16s({2, 1, 1, 8}).u8s({0, 0, 255, 255, 0, 0});
    // RLE8: a run, an odd literal with its pad byte (the pixel past the edge is dropped), end
    // of line, a delta one right and one up, a run, end of bitmap.
    const Bytes runs8 = Bytes().u8s({2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1});
    QByteArray shortLastRow =
        bmp(bmpInfo(1, 2, 24, 0), Bytes().u8s({0, 0, 255, 0, 0, 255, 0}).data);
    return {
        // Bottom-up: the last stored row is the top one; rows padded to 4 bytes.
        {"BmpOneBit", bmp(oneBit, Bytes().u8s({0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0}).data),
         imageOf(3, {W, K, W, K, W, K})},
        {"BmpFourBitTopDown", bmp(fourBit, Bytes().u8s({0x01, 0x20, 0, 0, 0x22, 0x10, 0, 0}).data),
         imageOf(3, {R, G, B, B, B, G})},
        {"BmpSixteen555", bmp(bmpInfo(2, 1, 16, 0), Bytes().u16s({0x7C00, 0x03FF}).data),
         imageOf(2, {R, 0xFF00FFFF})},
        {"BmpSixteen565", bmp(fields565, Bytes().u16s({0x07E0, 0x001F}).data), imageOf(2, {G, B})},
        {"BmpThirtyTwoAlpha", bmp(bmpInfoV5(2), Bytes().u32s({0x80FF0000, 0x0000FF00}).data),
         imageOf(2, {0x80FF0000, 0x0000FF00}, QImage::Format_ARGB32)},
        {"BmpThirtyTwoUnusedAlpha", bmp(bmpInfoV5(2), Bytes().u32s({0x00FF0000, 0x0000FF00}).data),
         imageOf(2, {R, G})},
        {"BmpThirtyTwoPlain",
         bmp(bmpInfo(2, 1, 32, 0), Bytes().u32s({0x12FF0000, 0x340000FF}).data),
         imageOf(2, {R, B})},
        {"BmpRle8", bmp(rle8, runs8.data), imageOf(4, {K, B, K, K, K, K, K, K, R, R, G, B})},
        // RLE4: a run alternates its two nibbles; then a literal of three nibbles.
        {"BmpRle4", bmp(rle4, Bytes().u8s({2, 0x12, 0, 3, 0x31, 0x20, 0, 1}).data),
         imageOf(5, {R, G, B, R, G})},
        // The oldest header: 12 bytes, three-byte palette entries, fewer than the depth allows.
        {"BmpCoreHeader", bmp(core, Bytes().u8s({1, 0, 0, 0}).data), imageOf(2, {B, R})},
        // Writers often leave out the padding after the last row.
        {"BmpShortLastRow", shortLastRow, imageOf(1, {G, R})},
    };
}

std::vector<FileCase> pcxCases() {
    Bytes vga = pcx(8, 1, 4, 1, 4).u8s({0xC2, 1, 0xC1, 0xC5, 2, 0x0C});
    for (unsigned i = 0; i < 256; ++i)
        vga.u8s({i == 1 ? 255u : 0u, i == 2 ? 255u : 0u, i == 0xC5 ? 255u : 0u});
    return {
        // 1-bit files are black and white whatever their header palette says.
        {"PcxMono", pcx(1, 1, 10, 1, 2, false, {R, G}).u8s({0b10100000, 0b01000000}).data,
         imageOf(10, {W, K, W, K, K, K, K, K, K, W})},
        // Four 1-bit planes: plane n gives bit n of the index into the header's 16 colours.
        {"PcxEgaPlanes",
         pcx(1, 4, 2, 1, 2, true, {K, R, G, B}).u8s({0x80, 0, 0x40, 0, 0, 0, 0, 0}).data,
         imageOf(2, {R, G})},
        // The 256-colour table at the end; 0xC1 0xC5 is a run of one byte 0xC5.
        {"PcxVga", vga.data, imageOf(4, {R, R, B, G})},
        {"PcxGreyWithoutTable", pcx(8, 1, 2, 1, 2).u8s({0, 0xC1, 0xFF}).data, imageOf(2, {K, W})},
        // Three planes; this run carries on from the red plane into the green one.
        {"Pcx24RunAcrossPlanes", pcx(8, 3, 2, 1, 2).u8s({0xC3, 0xFF, 0, 0, 0xC1, 0xFF}).data,
         imageOf(2, {0xFFFFFF00, 0xFFFF00FF})},
        {"Pcx32", pcx(8, 4, 1, 1, 2, false).u8s({255, 0, 0, 0, 0, 0, 0x80, 0}).data,
         imageOf(1, {0x80FF0000}, QImage::Format_ARGB32)},
    };
}

std::vector<FileCase> tgaCases() {
    // The same 2 x 2 picture R G / B W stored from each corner.
    const auto corner = [](const char* name, int descriptor, std::initializer_list<QRgb> stored) {
        Bytes file = tga(2, 24, 2, 2, descriptor);
        for (QRgb c : stored)
            file.u8s({unsigned(qBlue(c)), unsigned(qGreen(c)), unsigned(qRed(c))});
        return FileCase{name, file.data, imageOf(2, {R, G, B, W})};
    };
    Bytes sixteen = tga(2, 16, 2, 1, 0x21);  // one attribute bit of alpha, top-left origin
    sixteen.data[0] = 3;                     // an identification field to skip
    Bytes denied = tga(2, 32, 1, 1, 0x08).u32(0x10FF0000);
    const auto extension = std::uint32_t(denied.data.size());
    denied.u16(495).fill(494 - 2, 0).u8(0);  // extension area: attributes type 0, no alpha
    return {
        corner("TgaBottomLeft", 0x00, {B, W, R, G}),
        corner("TgaBottomRight", 0x10, {W, B, G, R}),
        corner("TgaTopLeft", 0x20, {R, G, B, W}),
        corner("TgaTopRight", 0x30, {G, R, W, B}),
        {"Tga16Alpha", sixteen.raw("abc").u16s({0xFC00, 0x03E0}).data,
         imageOf(2, {R, 0x0000FF00}, QImage::Format_ARGB32)},
        // Colour-mapped, the map starting at index 5; index 9 lies outside it.
        {"TgaMapped", tga(1, 8, 3, 1, 0x20, 2, 5, 24).u8s({255, 0, 0, 0, 255, 0, 5, 6, 9}).data,
         imageOf(3, {B, G, K})},
        // Run-length grey whose first packet runs on from the first line into the second.
        {"TgaRleGreyAcrossLines", withFooter(tga(11, 8, 2, 2, 0x20).u8s({0x82, 255, 0x00, 0})),
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

const auto caseName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Bmp, HandMadeFile, testing::ValuesIn(bmpCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Pcx, HandMadeFile, testing::ValuesIn(pcxCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Tga, HandMadeFile, testing::ValuesIn(tgaCases()), caseName);

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

QByteArray tiffHeader(std::uint32_t width, std::uint32_t height) {
    Bytes b;
    b.raw(QByteArray("II*\0", 4)).u32(8).u16(4);
    b.u16(256).u16(4).u32(1).u32(width).u16(257).u16(4).u32(1).u32(height);
    b.u16(273).u16(4).u32(1).u32(62).u16(279).u16(4).u32(1).u32(16);
    return b.u32(0).fill(16, 0).data;
}

std::vector<BadFileCase> badFiles() {
    Bytes rle8 = bmpInfo(4, 4, 8, 1);
    palette(rle8, {K, R});
    return {
        {"BmpTruncated", bmp(bmpInfo(10, 10, 24, 0), QByteArray(100, '\0')), imaging::kCorruptFile},
        {"BmpRleEndsEarly", bmp(rle8, Bytes().u8s({4, 1, 0, 0}).data), imaging::kCorruptFile},
        {"BmpOddDepth", bmp(bmpInfo(2, 2, 7, 0), QByteArray(16, '\0')), imaging::kCorruptFile},
        {"BmpEmbeddedJpeg", bmp(bmpInfo(2, 2, 0, 4), QByteArray(16, '\0')),
         imaging::kUnsupportedFile},
        {"BmpBomb", bmp(bmpInfo(20000, 20000, 24, 0), QByteArray(64, '\0')),
         imaging::kImageTooLarge},
        {"BmpRleBomb", bmp(bmpInfo(20000, 20000, 8, 1), QByteArray(4, '\0')),
         imaging::kImageTooLarge},
        {"PcxTruncated", pcx(8, 3, 4, 4, 4, false).fill(20, 0).data, imaging::kCorruptFile},
        {"PcxLineTooShort", pcx(8, 1, 10, 1, 4).fill(10, 0).data, imaging::kCorruptFile},
        // 10000 x 10000 is within the limits, but two bytes of runs cannot fill it.
        {"PcxLyingSize", pcx(8, 3, 10000, 10000, 10000).u8s({0xFF, 0}).data, imaging::kCorruptFile},
        {"PcxBomb", pcx(8, 3, 20000, 20000, 20000).u8s({0xFF, 0}).data, imaging::kImageTooLarge},
        {"TgaTruncated", tga(2, 24, 4, 4, 0).fill(20, 0).data, imaging::kCorruptFile},
        {"TgaRleTruncated", withFooter(tga(10, 24, 300, 300, 0).u8(0xFF).fill(3, 0)),
         imaging::kCorruptFile},
        {"TgaBomb", withFooter(tga(10, 24, 20000, 20000, 0).u8(0xFF).fill(3, 0)),
         imaging::kImageTooLarge},
        {"TgaHuffman", withFooter(tga(32, 8, 4, 4, 0).fill(16, 0)), imaging::kUnsupportedFile},
        {"PngBomb", pngHeader(20000, 20000), imaging::kImageTooLarge},
        {"JpegBomb", jpegHeader(20000, 20000), imaging::kImageTooLarge},
        {"TiffBomb", tiffHeader(20000, 20000), imaging::kImageTooLarge},
    };
}

class RefusedFile : public testing::TestWithParam<BadFileCase> {};

// Refused before the pixels are allocated: a bomb would take 1.6 GB.
TEST_P(RefusedFile, IsRefusedWithTheRightError) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("bad"), GetParam().file);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path); }), GetParam().error);
    // Every bomb here is 20000 x 20000; inspecting still describes it.
    if (GetParam().error == imaging::kImageTooLarge) {
        EXPECT_EQ(imaging::codecs::inspect(path).width, 20000);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFile, testing::ValuesIn(badFiles()), caseName);

}  // namespace
