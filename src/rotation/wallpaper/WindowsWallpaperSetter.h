#pragma once

#include "rotation/WallpaperSetter.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

namespace rotation {

// Windows: the system call behind the Desktop Background settings page. The setting is
// written to the user profile and every window is told, so Explorer redraws at once. A
// picture per monitor goes through the shell's IDesktopWallpaper (Windows 8 and later),
// monitor by monitor in the order of their places on the desktop.
class WindowsWallpaperSetter : public WallpaperSetter {
public:
    QString apply(const QString& path) override;
    bool addressesMonitors() const override { return true; }
    QString applyEach(const std::vector<MonitorPicture>& pictures) override;
};

}  // namespace rotation

#endif
