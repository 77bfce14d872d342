#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Truevision Targa: true-colour (15, 16, 24, 32 bits), colour-mapped and greyscale images,
// plain or run-length encoded, from any corner, with or without the version 2 footer.
// Written as 24 bits, or 32 when the image has an alpha channel, with the footer.
namespace imaging::codecs {

FileFacts inspectTga(Bytes data);
QImage decodeTga(Bytes data, const DecodeLimits& limits);
void encodeTga(const QImage& image, bool rle, QIODevice& out);

}  // namespace imaging::codecs
