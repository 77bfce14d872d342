#pragma once

#include <X11/Xlib.h>

namespace rotation {

// Xlib's default error handler ends the program. While a trap is alive, X errors (a stale
// pixmap id left by another program, a pixmap too large for the server) are counted
// instead; the previous handler comes back when the trap goes.
//
// Traps nest: an inner one, set around a request that may fail by design (asking for a
// window's attributes to learn whether an id is a window), keeps the errors it sees to
// itself, and the outer trap goes on counting from where it was.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to process every request sent so far, then tells whether any
    // of them failed since the trap was set.
    bool hadError();

private:
    Display* display_;
    XErrorHandler previous_;
    int outerErrors_;
};

}  // namespace rotation
