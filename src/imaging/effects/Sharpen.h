#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// sharpen (percent, flags): an unsharp mask. With a = percent / 100 and blur the 3x3
// binomial blur (1 2 1 / 2 4 2 / 1 2 1) / 16 of the channel, each colour channel becomes
// p + a * (p - blur), rounded and clamped as Neighbourhood.h says; alpha is kept. percent
// runs from 0 (a plain copy) to 1000.
void sharpen(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
