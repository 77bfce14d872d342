#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// MATE stores the wallpaper as a plain file name rather than a URI.
class MateWallpaperSetter : public WallpaperSetter {
public:
    explicit MateWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
