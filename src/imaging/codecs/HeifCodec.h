#pragma once

#include <QImage>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// HEIF (the HEIC photos of phones) and AVIF through libheif, which reads both containers and
// decodes HEVC (AVIF's AV1 pixels come from libavif, AvifPixels.h): the file's primary image,
// its other images (a burst, a depth map) left aside. The container's rotation, mirroring and
// crop (irot, imir, clap) are applied once, unless the options ask for the image as stored;
// alpha comes as the other formats' does. HEIF images of 10 or 12 bits per sample are reduced
// to 8 by libheif: each sample is shifted right by the extra bits, so 1023 (10 bits) becomes
// 255 and 4 becomes 1.
namespace imaging::codecs {

FileFacts inspectHeif(Bytes data);
// With a `previewBox`, the file's own thumbnail (phones store one of a few hundred pixels)
// when it is as large as the primary image fitted into the box: a preview without decoding
// twelve megapixels.
QImage decodeHeif(Bytes data, const DecodeOptions& options, QSize previewBox = {});

}  // namespace imaging::codecs
