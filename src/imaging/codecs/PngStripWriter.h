#pragma once

#include <QIODevice>
#include <QImage>

// A PNG writer for large pictures that compresses on every core: the rows, "up"-filtered,
// are cut into one strip per thread; each strip is deflated on its own (DeflateEncoder) and
// ended with an empty stored block, which byte-aligns it, and no strip refers back into
// another, so the strips joined in order form one valid zlib stream. Its Adler-32 is
// combined from the strips' own. The result reads as any PNG does.
namespace imaging::codecs {

// `image` is Format_RGB32 (written as 8-bit RGB) or Format_ARGB32 (8-bit RGBA), not
// interlaced. Throws Error(kWriteFailed) when `out` does not take the bytes.
void writePngInStrips(const QImage& image, QIODevice& out);

}  // namespace imaging::codecs
