#pragma once

#include <QSize>

#include "operations/CommandContext.h"

namespace operations {

// Mirrors the image: direction 0 left and right, 1 top and bottom.
void flip(const CommandContext& context, int direction);
void rotateQuarter(const CommandContext& context);
// Asks for an angle of 1 to 359 degrees and turns the image by it; any other answer does
// nothing.
void rotateByAskedAngle(const CommandContext& context);
// Scales the image to `width` pixels wide, keeping its proportions; images 50 pixels wide or
// narrower are left alone.
void resizeToWidth(const CommandContext& context, int width);
// Stretches the image to the screen's size.
void resizeToScreen(const CommandContext& context, QSize screen);

// The height that keeps an image's proportions at `width`: h / w * width, halves to even.
int proportionalHeight(int imageWidth, int imageHeight, int width);

}  // namespace operations
