#pragma once

#include <QByteArray>
#include <QImage>

// Pixels described by an embedded ICC profile are turned into sRGB with Little CMS, perceptual
// intent, so a photo tagged Display P3 or Adobe RGB shows its true colours wherever the screen
// is taken as sRGB (the wallpaper, the preview, the toolbox). An image without a profile, with
// one that describes sRGB, or with one that is not RGB or cannot be read keeps its exact
// pixels. Transforms are kept per profile for the next image that carries it.
namespace imaging::codecs {

void convertToSrgb(QImage& image, const QByteArray& iccProfile);

}  // namespace imaging::codecs
