#pragma once

#include <QImage>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// merge (x, y, opacity, transparentColour, flags): `src` with Arguments::source laid over it
// at (x, y), clipped to `src`. Positions are rounded to whole pixels and the opacity to a
// whole percent O. A source pixel of exactly the transparent colour (0xRRGGBB, -1 for none)
// is left out. Otherwise, with source coverage s = a_src * O / 25500 and target alpha
// d = a_dst / 255 (1 for RGB32), the result is source-over in exact arithmetic, rounded half up:
//   alpha = s + d (1 - s),   colour = (c_src s + c_dst d (1 - s)) / alpha   (kept where s = 0).
void merge(const QImage& src, QImage& dst, const Arguments& args);

}  // namespace imaging::effects
