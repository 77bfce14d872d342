#include <gtest/gtest.h>

#include <jpeglib.h>
#include <cstdio>

#include "CodecTestSupport.h"
#include "support/TempFolder.h"

// Print workflows write CMYK JPEGs; Adobe's applications store the inks inverted and say so
// with an APP14 marker, which libjpeg writes for every CMYK file.
namespace {

using namespace codec_tests;

// A 16 x 8 CMYK JPEG: the left half `left`, the right half `right`, as stored samples.
QByteArray cmykJpeg(const unsigned char (&left)[4], const unsigned char (&right)[4],
                    bool adobeMarker) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 8;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&info, TRUE);
    unsigned char row[16 * 4];
    for (int x = 0; x < 16; ++x) std::copy_n(x < 8 ? left : right, 4, row + 4 * x);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

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
        EXPECT_EQ(imaging::codecs::inspect(path).bitsPerPixel, 32);
    }
}

}  // namespace
