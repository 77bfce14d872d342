#pragma once

#include <X11/Xlib.h>

namespace rotation {

// Makes pixmap (of the root's size and depth, created on this connection) the background of
// the screen's root window and names it in _XROOTPMAP_ID and ESETROOT_PMAP_ID, as other
// setters and pseudo-transparent programs expect. The caller then retains the connection
// (RetainPermanent) so the pixmap outlives it.
//
// The wallpaper it replaces is freed, by killing the retained client that holds it, only
// when it is provably a previous wallpaper: see X11RootBackground.cpp. Anything else those
// properties name (a stale id now used by a running program) is left alone.
void publishRootBackground(Display* display, int screen, Pixmap pixmap);

}  // namespace rotation
