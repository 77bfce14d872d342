#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

// Files holding several images: TIFF pages, icon images, animation frames.
namespace {

using namespace codec_tests;
namespace codecs = imaging::codecs;

struct GreyPage {
    int width, height;
    QByteArray pixels;  // one byte a pixel, top row first
    int orientation = 1;
};

// An uncompressed greyscale TIFF, one page after the other.
QByteArray tiffOf(const std::vector<GreyPage>& pages) {
    Bytes file;
    file.raw(QByteArray("II*\0", 4)).u32(8);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const GreyPage& page = pages[i];
        const auto ifd = std::uint32_t(file.data.size());
        const std::uint32_t pixelsAt = ifd + 2 + 10 * 12 + 4;
        const auto nextIfd = std::uint32_t((pixelsAt + page.pixels.size() + 1) & ~1u);
        const auto shortEntry = [&](unsigned tag, unsigned value) {
            file.u16(tag).u16(3).u32(1).u16(value).u16(0);
        };
        const auto longEntry = [&](unsigned tag, std::uint32_t value) {
            file.u16(tag).u16(4).u32(1).u32(value);
        };
        file.u16(10);
        longEntry(256, std::uint32_t(page.width));
        longEntry(257, std::uint32_t(page.height));
        shortEntry(258, 8);
        shortEntry(259, 1);
        shortEntry(262, 1);  // black is zero
        longEntry(273, pixelsAt);
        shortEntry(274, unsigned(page.orientation));
        shortEntry(277, 1);
        longEntry(278, std::uint32_t(page.height));
        longEntry(279, std::uint32_t(page.pixels.size()));
        file.u32(i + 1 < pages.size() ? nextIfd : 0).raw(page.pixels);
        if (file.data.size() & 1) file.u8(0);
    }
    return file.data;
}

TEST(TiffPages, AreCountedAndEachOneDecodes) {
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
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 3); }), imaging::kNoSuchImage);
}

TEST(TiffPages, FollowTheOrientationTagWhenAsked) {
    testing_support::TempFolder folder;
    // Stored 3 x 2: 10 20 30 / 40 50 60; orientation 6 shows it turned a quarter clockwise.
    const QString path =
        folder.write(QStringLiteral("turned.tif"), tiffOf({{3, 2, "\x0A\x14\x1E\x28\x32\x3C", 6}}));
    const QImage shown = decodeFile(path);
    ASSERT_EQ(shown.size(), QSize(2, 3));
    EXPECT_EQ(qRed(shown.pixel(0, 0)), 40);
    EXPECT_EQ(qRed(shown.pixel(1, 0)), 10);
    EXPECT_EQ(qRed(shown.pixel(0, 2)), 60);
    EXPECT_EQ(QSize(codecs::inspect(path).width, codecs::inspect(path).height), QSize(2, 3));
    EXPECT_EQ(decodeFile(path, 1, false).size(), QSize(3, 2));
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A 32-bit icon bitmap: header of double height, bottom-up pixels, then the AND mask.
QByteArray iconDib(int size, QRgb color) {
    Bytes dib;
    dib.u32(40)
        .u32(std::uint32_t(size))
        .u32(std::uint32_t(size * 2))
        .u16(1)
        .u16(32)
        .u32(0)
        .u32(0)
        .fill(16, 0);
    for (int i = 0; i < size * size; ++i) dib.u32(color);
    return dib.fill((size + 31) / 32 * 4 * size, 0).data;
}

QByteArray iconFile(unsigned type, const std::vector<std::pair<int, QByteArray>>& images) {
    Bytes file;
    file.u16(0).u16(type).u16(unsigned(images.size()));
    auto offset = std::uint32_t(6 + 16 * images.size());
    for (const auto& [size, data] : images) {
        file.u8(unsigned(size)).u8(unsigned(size)).u8(0).u8(0).u16(1).u16(32);
        file.u32(std::uint32_t(data.size())).u32(offset);
        offset += std::uint32_t(data.size());
    }
    for (const auto& image : images) file.raw(image.second);
    return file.data;
}

class IconFile : public testing::TestWithParam<unsigned> {};

TEST_P(IconFile, HoldsEveryImageIncludingPngOnes) {
    testing_support::TempFolder folder;
    QImage png(32, 32, QImage::Format_ARGB32);
    png.fill(qRgba(0, 255, 0, 128));
    const QString path =
        folder.write(QStringLiteral("icons"),
                     iconFile(GetParam(), {{16, iconDib(16, 0xFF2040C0)}, {32, pngBytes(png)}}));
    int code = -1;
    const QImage first = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, imaging::kFormatNone);
    EXPECT_EQ(first.size(), QSize(16, 16));
    EXPECT_EQ(first.pixel(3, 3), 0xFF2040C0);
    const QImage second = decodeFile(path, 2);
    EXPECT_EQ(second.size(), QSize(32, 32));
    EXPECT_EQ(second.format(), QImage::Format_ARGB32);
    EXPECT_EQ(second.pixel(5, 5), qRgba(0, 255, 0, 128));
    EXPECT_EQ(codecs::inspect(path).imageCount, 2);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path, 3); }), imaging::kNoSuchImage);
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
    EXPECT_EQ(facts.formatCode, imaging::kFormatNone);
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
    EXPECT_EQ(code, imaging::kFormatNone);
    EXPECT_EQ(decoded.format(), QImage::Format_ARGB32);
    EXPECT_EQ(maxChannelDifference(decoded, flatColors(20, 10, true)), 0);
    EXPECT_EQ(codecs::inspect(path).bitsPerPixel, 32);
}

}  // namespace
