#pragma once

#include <QImage>
#include <QSize>

namespace imaging::effects {

// The canvas that holds an image of `size` turned by `degrees`: the turned rectangle's
// bounding box, each side rounded up to whole pixels (after forgiving 1e-6 of a pixel, so
// that exact sums do not gain a pixel from rounding noise).
QSize rotatedCanvas(QSize size, double degrees);

// Paints `src` turned clockwise by `degrees` about its centre into `dst`, already made at
// rotatedCanvas(). Each output pixel centre is mapped back into the input in 32.32 fixed
// point, snapped to 1/128 of a pixel, and interpolated bilinearly from the four pixels
// around it, weighted in premultiplied alpha. Input outside the image reads as the background:
// opaque white for RGB32, transparent black for ARGB32.
void rotateBilinearInto(const QImage& src, QImage& dst, double degrees);

}  // namespace imaging::effects
