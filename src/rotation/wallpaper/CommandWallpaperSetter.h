#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

#include <QStringList>

namespace rotation {

// The program and arguments of a user's wallpaper command for one image: every "%f" inside
// an argument becomes the path, which stays inside that one argument whatever it contains.
// A template without any "%f" gets the path as its last argument.
QStringList commandForImage(const QStringList& commandTemplate, const QString& path);

// Runs the user's own wallpaper command (QUORVANE_WALLPAPER_CMD), e.g. `feh --bg-fill %f`.
class CommandWallpaperSetter : public WallpaperSetter {
public:
    // commandLine is split like a shell would split words (quotes group, nothing expands).
    explicit CommandWallpaperSetter(const QString& commandLine,
                                    ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;

private:
    QStringList template_;
    ProgramRunner run_;
};

}  // namespace rotation
