#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// XFCE: xfdesktop keeps one image per monitor and workspace in the xfce4-desktop channel of
// xfconf and redraws as soon as one of those properties changes. Every existing
// .../last-image property gets the image; a session that has none yet gets
// /backdrop/screen0/monitor0/workspace0/last-image created.
class XfceWallpaperSetter : public WallpaperSetter {
public:
    explicit XfceWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
