#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// resize (width, height, -1, -1, flags): exactly width x height pixels. Each axis on its own
// averages areas when it shrinks and interpolates linearly when it grows (ResizeWeights.h).
// Sizes that do not change give a plain copy. Otherwise the arithmetic, all in integers, is:
//  1. premultiply: each colour c becomes c * a and alpha becomes a * 255 (RGB32: a = 255);
//  2. down the columns: v = round(sum(weight * value) / 2^14), 16 bits per channel;
//  3. along the rows: s = sum(weight * v);
//  4. alpha = round(s_a / (255 * 2^14)); each colour = round(255 * s_c / s_a), 0 where s_a = 0.
// Premultiplying keeps transparent pixels from tinting their neighbours, and keeping all 16
// bits of c * a means a flat colour stays exactly that colour at any alpha.
void resize(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
