#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// sway: `swaymsg output * bg PATH fill` makes sway restart swaybg on every output; a
// picture per monitor is `output NAME bg PATH fill` for each, in one command.
class SwayWallpaperSetter : public WallpaperSetter {
public:
    explicit SwayWallpaperSetter(ProgramRunner run = platform::runProgram);
    QString apply(const QString& path) override;
    bool addressesMonitors() const override { return true; }
    QString applyEach(const std::vector<MonitorPicture>& pictures) override;

private:
    // Each (output, path) pair's background, "*" standing for every output.
    QString setBackgrounds(const std::vector<std::pair<QString, QString>>& backgrounds);

    ProgramRunner run_;
};

}  // namespace rotation
