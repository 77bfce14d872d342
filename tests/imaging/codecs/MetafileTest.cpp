#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

// Metafiles that draw rather than carry one bitmap go through libwmf or libemf2svg.
namespace {

using namespace codec_tests;
namespace codecs = imaging::codecs;

// A placeable WMF of 100 x 50 units at 96 an inch: a white background, then a green
// rectangle over its right half.
QByteArray vectorWmf() {
    Bytes records;
    records.u32(4).u16s({0x0103, 8});                   // SetMapMode(anisotropic)
    records.u32(5).u16s({0x020B, 0, 0});                // SetWindowOrg
    records.u32(5).u16s({0x020C, 50, 100});             // SetWindowExt
    records.u32(8).u16s({0x02FA, 5, 0, 0, 0, 0});       // CreatePenIndirect(null pen)
    records.u32(4).u16s({0x012D, 0});                   // SelectObject
    records.u32(7).u16s({0x02FC, 0, 0xFFFF, 0xFF, 0});  // CreateBrushIndirect(white)
    records.u32(4).u16s({0x012D, 1});
    records.u32(7).u16s({0x041B, 50, 100, 0, 0});    // Rectangle(0, 0, 100, 50)
    records.u32(7).u16s({0x02FC, 0, 0xFF00, 0, 0});  // CreateBrushIndirect(green)
    records.u32(4).u16s({0x012D, 2});
    records.u32(7).u16s({0x041B, 50, 100, 0, 50});  // Rectangle(50, 0, 100, 50)
    records.u32(3).u16(0);
    const auto words = std::uint32_t(9 + records.data.size() / 2);
    // Placeable header: key, handle, bounds, units an inch, reserved, checksum of the rest.
    return Bytes()
        .u16s({0xCDD7, 0x9AC6, 0, 0, 0, 100, 50, 96, 0, 0, 0xCDD7 ^ 0x9AC6 ^ 100 ^ 50 ^ 96})
        .u16s({1, 9, 0x0300})
        .u32(words)
        .u16(3)
        .u32(9)
        .u16(0)
        .raw(records.data)
        .data;
}

// An EMF with bounds of 80 x 40 pixels: a red rectangle over all of it.
QByteArray vectorEmf() {
    Bytes records;
    records.u32s({39, 24, 1, 0, 0x000000FF, 0});  // CreateBrushIndirect(1, red)
    records.u32s({37, 12, 1});                    // SelectObject(1)
    records.u32s({43, 24, 0, 0, 79, 39});         // Rectangle
    records.u32s({14, 20, 0, 16, 20});            // EOF
    return Bytes()
        .u32s({1, 88, 0, 0, 79, 39, 0, 0, 2116, 1058, 0x464D4520, 0x10000})
        .u32s({std::uint32_t(88 + records.data.size()), 5})
        .u16s({2, 0})
        .u32s({0, 0, 0, 1920, 1080, 508, 286})
        .raw(records.data)
        .data;
}

TEST(VectorMetafile, WmfIsDrawnAtItsPlaceableSize) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("drawing.wmf"), vectorWmf());
    int code = -1;
    const QImage image = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, imaging::kFormatWmf);
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_LT(colorDistance(image.pixel(20, 25), W), 30);
    EXPECT_LT(colorDistance(image.pixel(80, 25), G), 30);
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), QSize(100, 50));
}

TEST(VectorMetafile, EmfIsDrawnAtItsBounds) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("drawing.emf"), vectorEmf());
    int code = -1;
    const QImage image = codecs::decode(path, {}, &code);
    EXPECT_EQ(code, imaging::kFormatEmf);
    EXPECT_NEAR(image.width(), 80, 1);
    EXPECT_NEAR(image.height(), 40, 1);
    EXPECT_LT(colorDistance(image.pixel(40, 20), R), 30);
}

TEST(VectorMetafile, ABrokenRecordIsReported) {
    testing_support::TempFolder folder;
    QByteArray wmf = vectorWmf();
    wmf.chop(10);  // the last rectangle now claims more words than are left
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.write(QStringLiteral("cut.wmf"), wmf)); }),
              imaging::kCorruptFile);
    QByteArray emf = vectorEmf();
    emf.chop(8);
    EXPECT_EQ(errorNumberOf([&] { decodeFile(folder.write(QStringLiteral("cut.emf"), emf)); }),
              imaging::kCorruptFile);
}

TEST(VectorMetafile, AreHeldToTheDecodeLimits) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("drawing.wmf"), vectorWmf());
    codecs::DecodeOptions options;
    options.limits.maxPixels = 4999;
    EXPECT_EQ(errorNumberOf([&] { codecs::decode(path, options); }), imaging::kImageTooLarge);
}

}  // namespace
