#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// sway: `swaymsg output * bg PATH fill` makes sway restart swaybg on every output.
class SwayWallpaperSetter : public WallpaperSetter {
public:
    explicit SwayWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
