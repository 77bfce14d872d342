#pragma once

#include "rotation/wallpaper/GSettingsWallpaperSetter.h"

namespace rotation {

// GNOME and the desktops built on its settings (Budgie, Unity, Pantheon): the picture URI
// for both the light and the dark style, so the image shows whichever style is active.
class GnomeWallpaperSetter : public GSettingsWallpaperSetter {
public:
    explicit GnomeWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
};

}  // namespace rotation
