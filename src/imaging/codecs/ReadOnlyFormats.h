#pragma once

#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// GIF, WebP and ICO/CUR: read through Qt's plugins, never written (format code 0). Their
// image count is the frames of an animation or the images of an icon file.
namespace imaging::codecs {

FileFacts inspectGif(Bytes data);
FileFacts inspectWebP(Bytes data);
FileFacts inspectIcon(Bytes data);

QImage decodeGif(Bytes data, const DecodeOptions& options);
QImage decodeWebP(Bytes data, const DecodeOptions& options);
QImage decodeIcon(Bytes data, const DecodeOptions& options);

}  // namespace imaging::codecs
