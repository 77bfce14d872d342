#pragma once

#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// JPEG XL through libjxl: the still image (an animation's first frame) decoded on libjxl's
// threads straight into the image's rows, 8 bits a sample (deeper samples rounded), turned by
// the codestream's orientation unless the stored image is asked for, alpha unpremultiplied.
// Lossy (XYB) files come out in sRGB; lossless ones keep the samples of their own colour space.
namespace imaging::codecs {

FileFacts inspectJpegXl(Bytes data);
QImage decodeJpegXl(Bytes data, const DecodeOptions& options);

}  // namespace imaging::codecs
