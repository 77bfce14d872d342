#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Windows bitmaps: 1 to 32 bits, RLE4 and RLE8, bit fields, either row order; written as
// 24 bits or as 8 bits with a quantised palette.
namespace imaging::codecs {

FileFacts inspectBmp(Bytes data);
QImage decodeBmp(Bytes data, const DecodeLimits& limits);
void encodeBmp(const QImage& image, int bits, QIODevice& out);

}  // namespace imaging::codecs
