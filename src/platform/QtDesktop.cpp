#include "QtDesktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(QUORVANE_WITH_X11)
#include <X11/Xlib.h>
#endif

namespace platform {
namespace {

#if defined(QUORVANE_WITH_X11)
// The X display Qt works on, or null on any other windowing system.
Display* qtDisplay() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}
#endif

}  // namespace

QtDesktop::QtDesktop(QString programFolder) : programFolder_(std::move(programFolder)) {}

QSize QtDesktop::screenSizePixels() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->size() * screen->devicePixelRatio();
}

QString QtDesktop::programFolder() const { return programFolder_; }

void QtDesktop::confineCursor(QWidget& area) {
#if defined(Q_OS_WIN)
    const QPoint origin = area.mapToGlobal(QPoint(0, 0)) * area.devicePixelRatio();
    const QSize size = area.size() * area.devicePixelRatio();
    const RECT rect{origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()};
    ClipCursor(&rect);
#elif defined(QUORVANE_WITH_X11)
    Display* display = qtDisplay();
    if (!display) return;
    // An active grab confined to the area's own window; events still go where they would.
    // The press that starts a drag leaves Qt holding the pointer through the input
    // extension, which would refuse the grab: that hold is let go first.
    const auto window = static_cast<Window>(area.winId());
    XUngrabPointer(display, CurrentTime);
    XGrabPointer(display, window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, window, None, CurrentTime);
    XFlush(display);
#else
    Q_UNUSED(area);
#endif
}

void QtDesktop::releaseCursor() {
#if defined(Q_OS_WIN)
    ClipCursor(nullptr);
#elif defined(QUORVANE_WITH_X11)
    if (Display* display = qtDisplay()) {
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
#endif
}

}  // namespace platform
