#pragma once

#include <QImage>

#include "imaging/codecs/ByteReader.h"

namespace imaging::codecs {

// The orientation (1 to 8) recorded in an EXIF block, which starts with "Exif\0\0" as in
// a JPEG APP1 segment; 1 ("as stored") when there is none or it cannot be read.
int exifOrientation(Bytes exif);

// True for the orientations that turn the image by a quarter, swapping width and height.
inline bool orientationSwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// The stored image turned and mirrored so that it shows the right way up.
QImage applyOrientation(const QImage& image, int orientation);

}  // namespace imaging::codecs
