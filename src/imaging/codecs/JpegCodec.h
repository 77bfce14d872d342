#pragma once

#include <QIODevice>
#include <QImage>
#include <QSize>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// JPEG through libjpeg-turbo itself: it decodes straight into the image's rows, scales by
// 1/2, 1/4 and 1/8 inside the DCT for previews, and reads greyscale, colour and CMYK files.
namespace imaging::codecs {

FileFacts inspectJpeg(Bytes data);

// Decodes the whole image, or, when `coverBox` is valid, the smallest DCT scale whose
// result (turned by its EXIF orientation) still covers the box-fitted size.
QImage decodeJpeg(Bytes data, const DecodeOptions& options, QSize coverBox = {});

// 24-bit colour, or 8-bit greyscale when options.bits is 8.
void encodeJpeg(const QImage& image, const EncodeOptions& options, QIODevice& out);

}  // namespace imaging::codecs
