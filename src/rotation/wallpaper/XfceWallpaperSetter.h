#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// XFCE: xfdesktop keeps one image per monitor and workspace in the xfce4-desktop channel of
// xfconf and redraws as soon as one of those properties changes. Every existing
// .../last-image property gets the image; a session that has none yet gets
// /backdrop/screen0/monitor0/workspace0/last-image created. A picture per monitor goes to the
// properties of the monitor of that connector name (monitorDP-1), in every workspace.
class XfceWallpaperSetter : public WallpaperSetter {
public:
    explicit XfceWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
    bool addressesMonitors() const override { return true; }
    QString applyEach(const std::vector<MonitorPicture>& pictures) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
