#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace imaging::codecs {

// Maps every pixel of an RGB32 image to an entry of `palette`, spreading each pixel's
// error to its neighbours (Floyd-Steinberg, serpentine). The image is dithered in bands of
// a fixed height that run in parallel, each starting without error, so the result is the
// same at any thread count. `indices` receives one byte a pixel, top row first.
void ditherToPalette(const QImage& rgb32, const std::vector<QRgb>& palette, std::uint8_t* indices);

}  // namespace imaging::codecs
