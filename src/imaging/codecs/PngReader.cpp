#include "imaging/codecs/PngReader.h"

#include <png.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"
#include "imaging/codecs/PngMessages.h"

namespace imaging::codecs {
namespace {

struct ReadState {
    Bytes data;
    std::size_t position = 0;
    bool readingEnd = false;
    PngMessage message;
};

void readData(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    const std::size_t left = state->data.size() - state->position;
    if (length <= left) {
        std::memcpy(out, state->data.data() + state->position, length);
        state->position += length;
        return;
    }
    // Some writers leave out the checksum of the closing IEND chunk: the picture is whole.
    if (state->readingEnd && length == 4) {
        static constexpr png_byte kIendCrc[4] = {0xAE, 0x42, 0x60, 0x82};
        std::memcpy(out, kIendCrc, 4);
        state->position = state->data.size();
        return;
    }
    png_error(png, "the file ends early");
}

// A palette whose transparency chunk leaves every entry opaque makes an opaque picture.
bool hasTransparency(png_structp png, png_infop info) {
    const int colorType = png_get_color_type(png, info);
    if (colorType & PNG_COLOR_MASK_ALPHA) return true;
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p color = nullptr;
    if (!png_get_tRNS(png, info, &alpha, &count, &color)) return false;
    if (colorType != PNG_COLOR_TYPE_PALETTE) return true;
    return alpha && std::any_of(alpha, alpha + count, [](png_byte a) { return a != 255; });
}

struct Layout {
    png_uint_32 width = 0, height = 0;
    bool alphaSamples = false;       // the rows libpng hands out carry alpha
    bool transparent = false;        // the picture has any
    png_bytep iccProfile = nullptr;  // libpng's, while its structures live
    png_uint_32 iccLength = 0;
};

// Everything up to the pixels, with the transformations that give QImage's 32-bit words.
// No C++ object lives in here when libpng jumps out.
bool readLayout(png_structp png, png_infop info, Layout* layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    layout->width = png_get_image_width(png, info);
    layout->height = png_get_image_height(png, info);
    layout->alphaSamples = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) ||
                           png_get_valid(png, info, PNG_INFO_tRNS);
    layout->transparent = hasTransparency(png, info);
    png_charp name = nullptr;
    int compression = 0;
    png_get_iCCP(png, info, &name, &compression, &layout->iccProfile, &layout->iccLength);
    // Palettes, grey of fewer than 8 bits and a transparent colour become 8-bit RGB(A).
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    // QImage keeps a pixel as one 32-bit word 0xAARRGGBB, so its byte order follows the CPU.
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(png);
        if (!layout->alphaSamples) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    } else {
        if (layout->alphaSamples)
            png_set_swap_alpha(png);
        else
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool readPixels(png_structp png, ReadState& state, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows.data());
    state.readingEnd = true;
    png_read_end(png, nullptr);
    return true;
}

// Frees libpng's structures however the reading ends.
struct ReadStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStruct() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

QImage readPng(Bytes data) {
    ReadState state{data, 0, false, {}};
    ReadStruct read;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state.message, keepPngError,
                                      ignorePngWarning);
    if (read.png) read.info = png_create_info_struct(read.png);
    if (!read.info) throw Error(kOutOfMemory, QStringLiteral("the PNG reader could not start"));
    // Files whose compressed stream claims a smaller window than it uses still open, as they
    // do in other programs.
    png_set_option(read.png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
    png_set_read_fn(read.png, &state, readData);

    Layout layout;
    if (!readLayout(read.png, read.info, &layout))
        failCorrupt(QString::fromLocal8Bit(state.message.text));
    if (layout.width > INT_MAX || layout.height > INT_MAX ||
        png_get_rowbytes(read.png, read.info) != std::size_t(layout.width) * 4)
        failCorrupt(QStringLiteral("the PNG layout is not one this reader can hand out"));
    QImage image = newImage(int(layout.width), int(layout.height),
                            layout.alphaSamples ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::vector<png_bytep> rows(layout.height);
    for (int y = 0; y < image.height(); ++y) rows[std::size_t(y)] = image.scanLine(y);
    if (!readPixels(read.png, state, rows)) failCorrupt(QString::fromLocal8Bit(state.message.text));
    // Every alpha byte of an opaque palette's rows is 255, as RGB32 wants it.
    if (!layout.transparent) image.reinterpretAsFormat(QImage::Format_RGB32);
    convertToSrgb(image, QByteArray::fromRawData(reinterpret_cast<const char*>(layout.iccProfile),
                                                 qsizetype(layout.iccLength)));

    const png_uint_32 xDpm = png_get_x_pixels_per_meter(read.png, read.info);
    const png_uint_32 yDpm = png_get_y_pixels_per_meter(read.png, read.info);
    if (xDpm > 0 && yDpm > 0 && xDpm <= INT_MAX && yDpm <= INT_MAX) {
        image.setDotsPerMeterX(int(xDpm));
        image.setDotsPerMeterY(int(yDpm));
    }
    return image;
}

}  // namespace imaging::codecs
