#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Enhanced metafiles. As with WMF, one that only carries a bitmap is read as that bitmap;
// any other drawing goes through libemf2svg to SVG and is drawn by QtSvg at its natural
// size. Written as one StretchDIBits record.
namespace imaging::codecs {

FileFacts inspectEmf(Bytes data, const DecodeLimits& limits);
QImage decodeEmf(Bytes data, const DecodeLimits& limits);
void encodeEmf(const QImage& image, QIODevice& out);

}  // namespace imaging::codecs
