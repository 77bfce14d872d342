#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Windows metafiles. A metafile that only carries one bitmap (what this program and most
// others write when saving a picture as WMF) is read as that bitmap, pixel for pixel; any
// other drawing goes through libwmf to SVG and is drawn by QtSvg at its natural size.
// Written as one StretchDIBits record, optionally behind the placeable (Aldus) header.
namespace imaging::codecs {

FileFacts inspectWmf(Bytes data, const DecodeLimits& limits);
QImage decodeWmf(Bytes data, const DecodeLimits& limits);
void encodeWmf(const QImage& image, bool placeable, QIODevice& out);

}  // namespace imaging::codecs
