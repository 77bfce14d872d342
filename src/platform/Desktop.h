#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace platform {

// What the program needs to know of, and do to, the desktop it runs on.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Size of the primary screen in device pixels.
    virtual QSize screenSizePixels() const = 0;

    // The folder that holds the setup store and the wallpaper bitmaps, without a trailing
    // separator.
    virtual QString programFolder() const = 0;

    // Keeps the mouse pointer inside `area` until releaseCursor(), as a drag that must not
    // leave the picture needs. Where the desktop allows no such thing (Wayland), nothing.
    virtual void confineCursor(QWidget& area) = 0;
    virtual void releaseCursor() = 0;
};

}  // namespace platform
