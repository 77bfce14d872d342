#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace imaging::codecs {

struct IndexedImage {
    std::vector<QRgb> palette;          // at most 256 opaque colours
    std::vector<std::uint8_t> indices;  // one a pixel, top row first
};

// Reduces an image to a palette of at most 256 colours for 8-bit files. An image that
// already has so few colours keeps them exactly; any other gets a palette learned by
// libimagequant from a sample of its pixels and is dithered to it. Alpha is ignored: 8-bit
// bitmaps are opaque.
IndexedImage quantize(const QImage& image);

}  // namespace imaging::codecs
