#pragma once

#include "rotation/wallpaper/GSettingsWallpaperSetter.h"

namespace rotation {

// MATE stores the wallpaper as a plain file name rather than a URI.
class MateWallpaperSetter : public GSettingsWallpaperSetter {
public:
    explicit MateWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
};

}  // namespace rotation
