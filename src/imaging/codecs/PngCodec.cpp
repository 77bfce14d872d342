#include "imaging/codecs/PngCodec.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/PngMessages.h"
#include "imaging/codecs/PngReader.h"
#include "imaging/codecs/PngStripWriter.h"

namespace imaging::codecs {
namespace {

// Above this many pixels, the strip writer's fast deflate with the cheap "up" filter: a
// 24-megapixel photo in a quarter of a second instead of 4 to 8 s with Qt's writer, some
// 10 % larger.
constexpr qint64 kStripWriterPixels = 1'000'000;

struct Header {
    std::uint32_t width = 0, height = 0;
    int bitsPerPixel = 0;
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

Header readHeader(Bytes data) {
    // The signature, then the IHDR chunk: length, type, width, height, depth, colour type.
    if (data.size() < 8 + 8 + 13 || std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        failCorrupt(QStringLiteral("the PNG header is missing"));
    const std::uint8_t* ihdr = data.data() + 16;
    int channels = 0;
    switch (ihdr[9]) {
        case 0:
        case 3:
            channels = 1;
            break;
        case 2:
            channels = 3;
            break;
        case 4:
            channels = 2;
            break;
        case 6:
            channels = 4;
            break;
        default:
            failCorrupt(QStringLiteral("the PNG colour type %1 is unknown").arg(ihdr[9]));
    }
    return Header{bigEndian32(ihdr), bigEndian32(ihdr + 4), ihdr[8] * channels};
}

struct WriteState {
    QIODevice* out;
    PngMessage message;
};

void writeData(png_structp png, png_bytep data, png_size_t length) {
    QIODevice* out = static_cast<WriteState*>(png_get_io_ptr(png))->out;
    if (out->write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length))
        png_error(png, "the file could not be written");
}

void flushData(png_structp) {}

bool writeRows(png_structp png, png_infop info, const QImage& image, bool interlaced,
               std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    const bool alpha = image.format() == QImage::Format_ARGB32;
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()),
                     png_uint_32(image.dotsPerMeterY()), PNG_RESOLUTION_METER);
    // Large interlaced images get the strip writer's settings on one core.
    if (qint64(image.width()) * image.height() > kStripWriterPixels) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    }
    png_write_info(png, info);
    // QImage holds 0xAARRGGBB words: bytes B, G, R, A on little-endian machines.
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(png);
        if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    } else {
        if (alpha)
            png_set_swap_alpha(png);
        else
            png_set_filler(png, 0, PNG_FILLER_BEFORE);
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

}  // namespace

FileFacts inspectPng(Bytes data) {
    const Header h = readHeader(data);
    return FileFacts{kFormatPng, int(std::min<std::uint32_t>(h.width, INT_MAX)),
                     int(std::min<std::uint32_t>(h.height, INT_MAX)), 1, h.bitsPerPixel};
}

QImage decodePng(Bytes data, const DecodeOptions& options) {
    const Header h = readHeader(data);
    checkLimits(h.width, h.height, options.limits);
    return readPng(data);
}

void encodePng(const QImage& source, bool interlaced, QIODevice& out) {
    const QImage image = normalized(source);
    // Large pictures compress on every core; small ones and interlaced ones keep libpng's
    // thorough settings, which cost them nothing noticeable.
    if (!interlaced && qint64(image.width()) * image.height() > kStripWriterPixels)
        return writePngInStrips(image, out);
    std::vector<png_bytep> rows(std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[std::size_t(y)] = const_cast<png_bytep>(image.constScanLine(y));
    WriteState state{&out, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state.message, keepPngError,
                                              ignorePngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw Error(kOutOfMemory, QStringLiteral("the PNG writer could not start"));
    }
    png_set_write_fn(png, &state, writeData, flushData);
    const bool written = writeRows(png, info, image, interlaced, rows);
    png_destroy_write_struct(&png, &info);
    if (!written) throw Error(kWriteFailed, QString::fromLocal8Bit(state.message.text));
}

}  // namespace imaging::codecs
