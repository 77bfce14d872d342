#pragma once

// The connection to the X server that Qt itself uses, for the few requests Qt has no API for.
#if defined(QUORVANE_WITH_X11)
#include <QGuiApplication>

// Last: Xlib's macros (None, Bool, Status...) would break the Qt headers.
#include <X11/Xlib.h>

namespace platform {

// The X display Qt works on, or null on any other windowing system.
inline Display* qtX11Display() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

}  // namespace platform
#endif
