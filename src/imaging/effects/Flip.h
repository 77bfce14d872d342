#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// flip (direction, flags): 0 mirrors left and right, 1 turns the image upside down.
void flip(const QImage& src, QImage& dst, const Arguments& args);

// Copies `src` into `dst` (same size and format, already made) mirrored as asked; rotating by
// 180 degrees is both mirrors at once.
void mirrorInto(const QImage& src, QImage& dst, bool leftRight, bool upsideDown);

}  // namespace imaging::effects
