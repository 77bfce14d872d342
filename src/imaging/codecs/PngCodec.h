#pragma once

#include <QIODevice>
#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// PNG: read and written with libpng, so a damaged file's reason reaches our message (Qt's
// reader lets libpng print it on stderr) and large images can use a fast zlib setting (Qt's
// writer always compresses hard) and Adam7 interlacing. Alpha is kept.
namespace imaging::codecs {

FileFacts inspectPng(Bytes data);
QImage decodePng(Bytes data, const DecodeOptions& options);
void encodePng(const QImage& image, bool interlaced, QIODevice& out);

}  // namespace imaging::codecs
