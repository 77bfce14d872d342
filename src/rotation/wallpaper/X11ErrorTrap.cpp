#include "X11ErrorTrap.h"

namespace rotation {

namespace {

// Xlib calls a plain function, and all X work happens on the UI thread.
int trappedErrors = 0;

int countError(Display*, XErrorEvent*) {
    ++trappedErrors;
    return 0;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display) {
    // Errors of requests sent before the trap belong to whoever sent them.
    XSync(display_, False);
    outerErrors_ = trappedErrors;
    trappedErrors = 0;
    previous_ = XSetErrorHandler(countError);
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
    trappedErrors = outerErrors_;
}

bool X11ErrorTrap::hadError() {
    XSync(display_, False);
    return trappedErrors > 0;
}

}  // namespace rotation
