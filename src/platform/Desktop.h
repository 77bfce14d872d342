#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace platform {

// What the program needs to know of, and do to, the desktop it runs on.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Size of the primary screen in device pixels: the size of a picture that fills it, as a
    // wallpaper does.
    virtual QSize screenSizePixels() const = 0;

    // The primary screen in window coordinates, where windows are placed: at a display scale
    // other than 100 % these are logical pixels, not the device pixels above.
    virtual QRect screenArea() const = 0;

    // The folder that holds the setup store and the wallpaper bitmaps, without a trailing
    // separator.
    virtual QString programFolder() const = 0;

    // Keeps the mouse pointer inside `area` until releaseCursor(), as a drag that must not
    // leave the picture needs. Where the desktop allows no such thing (Wayland), nothing.
    virtual void confineCursor(QWidget& area) = 0;
    virtual void releaseCursor() = 0;

    // Opens the program's help at its contents, for the window `owner` (may be null). The help
    // stays open beside the program's windows; a missing help file is said, never fatal.
    virtual void showHelp(QWidget* owner) = 0;

    // Starts the desktop's own display settings and returns at once; false when no program for
    // them could be started.
    virtual bool startDisplaySettings() = 0;
};

}  // namespace platform
