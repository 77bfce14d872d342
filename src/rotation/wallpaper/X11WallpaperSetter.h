#pragma once

#include "rotation/WallpaperSetter.h"

#include <QString>

namespace rotation {

// A plain X11 session without a desktop that owns the background: the image goes onto the
// root window itself, zoomed to cover the whole screen. The pixmap outlives our connection
// (RetainPermanent) and is published in _XROOTPMAP_ID / ESETROOT_PMAP_ID, so terminals and
// compositors that draw the root background find it. The pixmap of the previous setter
// (ours or another program's) is freed by the usual convention: when both properties name
// the same pixmap, its owner is killed.
class X11WallpaperSetter : public WallpaperSetter {
public:
    // displayName as in DISPLAY; empty means the DISPLAY of this process.
    explicit X11WallpaperSetter(QString displayName);
    void apply(const QString& path) override;

private:
    QString displayName_;
};

}  // namespace rotation
