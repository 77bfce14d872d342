#pragma once

#include <QImage>

namespace imaging::effects {

// Turns `src` by a quarter turn into `dst`, which is already made with width and height
// swapped. A pure rearrangement of pixels.
void rotateQuarterInto(const QImage& src, QImage& dst, bool clockwise);

}  // namespace imaging::effects
