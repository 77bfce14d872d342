#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace editor {

// Where the editor window goes, in window coordinates (logical pixels, as the window system
// places windows at any display scale); `frame` is the window with its frame and `screen`
// the screen's rectangle in the same coordinates.

// After fitting the window to its image: pushed back onto the screen, the top-left corner
// winning when the window is larger than the screen.
QPoint keptOnScreen(const QRect& frame, const QRect& screen);

// On every resize: centred on each axis where the window fits on the screen, at the screen's
// edge where it does not.
QPoint centredOrAtEdge(const QSize& frame, const QRect& screen);

// Centred on the screen, even if that puts the top-left corner off the screen.
QPoint centred(const QSize& frame, const QRect& screen);

}  // namespace editor
