#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// TIFF through libtiff: facts of every page without decoding; 8-bit RGB, RGBA and grey
// pages (what this program and most others write) read row by row, so unassociated alpha
// keeps the colour of transparent pixels; any other page through Qt's plugin. Written as
// 8-bit RGB or RGBA, LZW with the horizontal predictor.
namespace imaging::codecs {

FileFacts inspectTiff(Bytes data);
QImage decodeTiff(Bytes data, const DecodeOptions& options);
void encodeTiff(const QImage& image, QIODevice& out);

}  // namespace imaging::codecs
