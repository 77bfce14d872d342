#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// crop (left, top, width, height, flags): keeps the part of the rectangle (rounded to whole
// pixels) that lies inside the image.
void crop(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
