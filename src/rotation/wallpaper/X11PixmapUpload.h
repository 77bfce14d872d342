#pragma once

#include <QImage>

#include <X11/Xlib.h>

namespace rotation {

// The image in the server's pixel layout on a new pixmap of the given TrueColor visual and
// depth; 0 when the server cannot allocate the pixmap or the pixels cannot be laid out.
// Other X errors are left to the caller's X11ErrorTrap.
Pixmap uploadPixmap(Display* display, Window root, Visual* visual, int depth, const QImage& image);

}  // namespace rotation
