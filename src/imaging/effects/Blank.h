#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// blank (width, height, colour, flags, flags, flags): a new RGB32 image filled with the colour
// 0xRRGGBB. Needs no image; `src` is ignored.
void blank(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
