#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// PNG: read through Qt, written with libpng so large images can use a fast zlib setting
// (Qt's writer always compresses hard) and Adam7 interlacing. Alpha is kept.
namespace imaging::codecs {

FileFacts inspectPng(Bytes data);
QImage decodePng(Bytes data, const DecodeOptions& options);
void encodePng(const QImage& image, bool interlaced, QIODevice& out);

}  // namespace imaging::codecs
