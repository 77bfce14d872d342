#pragma once

#include <QImage>
#include <QSize>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// The pixels of an AVIF file through libavif: dav1d on every core, then libyuv's conversion
// from YUV in bands of rows on every core, straight into the image. libheif 1.15 decodes the
// same file at a third of the speed, converting on one thread through planes of the full size,
// so it only reads the file's boxes and checks them (HeifCodec) before this decodes.
namespace imaging::codecs {

// The primary image, `stored` pixels before the container's crop and turns, which are applied
// when options.autoOrient is set. Alpha as stored (not premultiplied); 10 and 12 bits reduced
// to 8 as libavif rounds them. Throws kCorruptFile when the AV1 picture is not of that size.
QImage decodeAvifPixels(Bytes data, const DecodeOptions& options, QSize stored);

}  // namespace imaging::codecs
