#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// grayscale (flags): every pixel becomes the Rec. 601 luma of its colour,
// Y = 0.299 R + 0.587 G + 0.114 B, rounded half up from its exact value, which integers give:
// (299 R + 587 G + 114 B + 500) / 1000. Alpha is kept.
void grayscale(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
