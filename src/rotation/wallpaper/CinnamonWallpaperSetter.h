#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// Cinnamon keeps its own copy of GNOME's background schema, with a single picture URI
// (it has no dark-style picture).
class CinnamonWallpaperSetter : public WallpaperSetter {
public:
    explicit CinnamonWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
