#pragma once

#include <QImage>

#include <X11/Xlib.h>

namespace rotation {

// The image in the server's pixel layout on a new pixmap of the given TrueColor visual and
// depth; 0 when the image could not be laid out. A pixmap the server cannot allocate is
// reported as an X error, so callers check under an X11ErrorTrap.
Pixmap uploadPixmap(Display* display, Window root, Visual* visual, int depth, const QImage& image);

}  // namespace rotation
