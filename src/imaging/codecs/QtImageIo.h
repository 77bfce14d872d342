#pragma once

#include <QImage>
#include <QSize>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Reading through Qt's image plugins, for the formats whose decoders we take from Qt
// (PNG, TIFF, GIF, WebP, ICO). Our limits are checked against the size the plugin reads from
// the header, and Qt's own allocation limit is raised just enough for that image, so an
// ordinary 45-megapixel photo is not refused by Qt's default of 128 MB.
namespace imaging::codecs {

struct QtFacts {
    QSize size;  // of the first image
    int imageCount = 1;
    int depth = 0;  // bits a pixel of the format Qt would decode to
};

QtFacts inspectWithQt(Bytes data, const char* format);

// Decodes image number options.imageNumber (kNoSuchImage outside 1..count); turns it by
// its orientation tag when options.autoOrient is set and the plugin knows one.
QImage decodeWithQt(Bytes data, const char* format, const DecodeOptions& options);

}  // namespace imaging::codecs
