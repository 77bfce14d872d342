#pragma once

#include "rotation/WallpaperSetter.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

namespace rotation {

// A plain X11 session without a desktop that owns the background: the image goes onto the
// root window itself, zoomed to cover the whole screen, or each monitor's picture zoomed to
// cover that monitor. The pixmap outlives our connection
// (RetainPermanent) and is published in _XROOTPMAP_ID / ESETROOT_PMAP_ID, so terminals and
// compositors that draw the root background find it, and other setters free it as that
// convention says. The previous wallpaper's pixmap (ours or another setter's) is freed only
// when that is provably what it is (X11RootBackground).
class X11WallpaperSetter : public WallpaperSetter {
public:
    // displayName as in DISPLAY; empty means the DISPLAY of this process.
    explicit X11WallpaperSetter(QString displayName);
    QString apply(const QString& path) override;
    bool addressesMonitors() const override { return true; }
    bool desktopFitsMonitors() const override { return false; }
    QString applyEach(const std::vector<MonitorPicture>& pictures) override;

private:
    // Draws what compose makes of the root window's size onto the root window.
    QString showOnRoot(const std::function<QImage(QSize)>& compose);

    QString displayName_;
};

}  // namespace rotation
