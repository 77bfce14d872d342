#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

#include "imaging/FormatCode.h"

// Reading and writing image files. Every function throws imaging::Error on failure and
// returns images as QImage::Format_ARGB32 (when the file has transparency) or Format_RGB32.
namespace imaging::codecs {

// Guards against decompression bombs: checked from the file's header before any pixel
// memory is allocated.
struct DecodeLimits {
    std::int64_t maxPixels = 268'435'456;     // 256 Mi pixels
    std::int64_t maxBytes = 4'294'967'296LL;  // decoded 32-bit pixels, 4 GiB
};

struct FileFacts {
    int formatCode = kFormatNone;  // detected from the content, not the name
    int width = 0;
    int height = 0;
    int imageCount = 0;  // pages of a TIFF, images of an ICO/CUR, frames of a GIF; else 1
    int bitsPerPixel = 0;
};

// What a file holds, without decoding its pixels. The size is as decode() shows the first
// image, turned by its EXIF orientation; an image too large to decode is still described.
FileFacts inspect(const QString& path, const DecodeLimits& limits = {});

struct DecodeOptions {
    int imageNumber = 1;     // 1-based
    bool autoOrient = true;  // apply the EXIF orientation of JPEG and TIFF files
    DecodeLimits limits;
};

// Decodes one image of a file. Also reports the detected format code.
QImage decode(const QString& path, const DecodeOptions& options, int* formatCode = nullptr);

// A preview that fits into `box` (keeping the aspect ratio, never enlarged), decoded at the
// smallest JPEG DCT scale (1/2, 1/4, 1/8) that still covers the box, so a camera photo
// previews without decoding all its pixels. Other formats decode fully and scale down.
QImage decodeThumbnail(const QString& path, QSize box, const DecodeLimits& limits = {});

enum class DctMethod { Default = 0, Accurate = 1, Fast = 2, FloatingPoint = 3 };

struct EncodeOptions {
    int bits = 24;              // BMP: 8 (quantised palette) or 24; JPEG: 8 (grey) or 24
    double jpegQuality = 90.0;  // 10..100
    DctMethod dctMethod = DctMethod::Default;
    bool interlaced = false;  // progressive JPEG, Adam7 PNG
    bool placeable = false;   // WMF with the placeable header
    bool rle = false;         // run-length encoded TGA
    // On the disk before it takes the old file's place; a file that is made again whenever it
    // is needed can leave that to the system and spare the wait.
    bool durable = true;
};

// Writes the image in the given format. A failure leaves any existing file at `path`
// untouched (the image is written to a temporary file first and renamed over it).
void encode(const QImage& image, const QString& path, int formatCode, const EncodeOptions& options);

// Which image of a file of several a document holds: number `number` of the `count` images
// the file had when it was opened.
struct PageOfFile {
    int number = 1;
    int count = 1;
};

// Writes the image as page page.number of the TIFF file at `path`, keeping the file's other
// pages in their order with their own pixels, size and sample layout. When the file is gone,
// no longer holds page.count pages, or one of them cannot be read, nothing is written and
// kWriteFailed says why. Like encode(), a failure leaves the old file untouched.
void encodeTiffPage(const QImage& image, const QString& path, PageOfFile page,
                    const DecodeLimits& limits = {});

}  // namespace imaging::codecs
