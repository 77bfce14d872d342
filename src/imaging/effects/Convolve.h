#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// convolve (k0..k8, divisor, channelMask, flags, flags, flags): each channel named in the
// mask (1 red, 2 green, 4 blue) becomes (k0 * n0 + ... + k8 * n8) / divisor over the 3x3
// neighbourhood (row-major), rounded and clamped as Neighbourhood.h says; the other channels
// and alpha are kept.
void convolve(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
