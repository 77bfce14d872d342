#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// LXQt: the desktop belongs to pcmanfm-qt, which passes --set-wallpaper on to its running
// instance.
class LxqtWallpaperSetter : public WallpaperSetter {
public:
    explicit LxqtWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
