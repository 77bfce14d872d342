#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// rotate (degrees, flags, flags): clockwise for positive angles. Quarter turns rearrange
// pixels exactly; other angles grow the canvas and interpolate (see RotateBilinear.h).
void rotate(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
