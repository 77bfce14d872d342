#pragma once

#include <QRgb>
#include <QSize>

#include "operations/CommandContext.h"

namespace operations {

// Turns the image into a desktop background: a canvas of the screen's size in `colour` with
// the image on it, centred and shrunk in steps of 0.85 until it is smaller than the canvas
// both ways (never enlarged). Recorded as one step "New Image". When the canvas cannot be
// made, says so in the plain error box; the image is then only shrunk onto itself.
void composeBackground(const CommandContext& context, QSize screen, QRgb colour);

}  // namespace operations
