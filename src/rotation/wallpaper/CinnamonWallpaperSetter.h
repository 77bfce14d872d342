#pragma once

#include "rotation/wallpaper/GSettingsWallpaperSetter.h"

namespace rotation {

// Cinnamon keeps its own copy of GNOME's background schema, with a single picture URI
// (it has no dark-style picture).
class CinnamonWallpaperSetter : public GSettingsWallpaperSetter {
public:
    explicit CinnamonWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
};

}  // namespace rotation
