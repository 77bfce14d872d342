#pragma once

#include <QRect>
#include <functional>

#include "operations/CommandContext.h"

namespace operations {

// The centred part the Center crop keeps of a width x height image: each side divided by
// 1.13 but at least 50 pixels, centred (halves to even). Narrow images ask for more than
// they have; the engine keeps what lies inside.
QRect centrePart(int width, int height);

// Crops to the selection, then runs `afterCrop` (the window hides the selection and centres
// itself) and reports any failure in the plain error box, "no image" included.
void cropToSelection(const CommandContext& context, const QRect& selection,
                     const std::function<void()>& afterCrop);

// Crops to the centre part, then runs `afterCrop`; failures pass in silence.
void cropCentre(const CommandContext& context, const std::function<void()>& afterCrop);

}  // namespace operations
