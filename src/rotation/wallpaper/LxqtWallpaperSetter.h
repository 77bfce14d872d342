#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// LXQt: the desktop belongs to pcmanfm-qt, which passes --set-wallpaper on to its running
// instance. It has no command for a picture per screen, and unless told to fit the wallpaper
// to each screen it fits one over all of them as one: so one composed image of the whole
// layout is stretched across the screens, and the user's own wallpaper mode put back after.
class LxqtWallpaperSetter : public WallpaperSetter {
public:
    explicit LxqtWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
    bool desktopFitsMonitors() const override;
    QString applyAcross(const QString& path, QString& keptFit) override;
    QString restoreFit(const QString& keptFit) override;

private:
    ProgramRunner run_;
};

}  // namespace rotation
