#pragma once

#include <QByteArray>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

namespace imaging::codecs {

// The bytes of a new TIFF file holding the pages of `file` in their order, with page
// page.number replaced by `image` (written as encodeTiff writes a page). Every other page
// keeps its size, its samples as stored (bits, colour model, palette, extra samples, planes,
// strips or tiles), its lossless compression (LZW instead of any other) and the tags that
// describe it. A page whose samples libtiff cannot hand over as stored (old-style JPEG,
// YCbCr without JPEG, CIE L*a*b*, ...) is kept as the picture it decodes to, in 8-bit RGB.
//
// Reading problems throw their own numbers (the page count differs from page.count, a page
// is damaged or over the limits); only a failure to write throws kWriteFailed.
QByteArray tiffReplacingPage(Bytes file, PageOfFile page, const QImage& image,
                             const DecodeLimits& limits);

}  // namespace imaging::codecs
