#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// filter3x3 (k0..k8, factor, flags): each colour channel becomes
// p - factor * (k0 * n0 + ... + k8 * n8) over the 3x3 neighbourhood n (row-major, p = n4),
// rounded and clamped as Neighbourhood.h says; alpha is kept. With the edge kernel
// (-1 -1 -1 / -1 8 -1 / -1 -1 -1) a negative factor sharpens edges; with the identity kernel
// a factor of -0.2 makes every channel 20% stronger.
void filter3x3(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
