#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// ZSoft PCX: 1-bit, 4- and 16-colour planar, 8-bit with the 256-colour table at the end,
// 24-bit (three planes) and 32-bit (four) files, run-length encoded or plain. Written as
// 24-bit RLE.
namespace imaging::codecs {

FileFacts inspectPcx(Bytes data);
QImage decodePcx(Bytes data, const DecodeLimits& limits);
void encodePcx(const QImage& image, QIODevice& out);

}  // namespace imaging::codecs
