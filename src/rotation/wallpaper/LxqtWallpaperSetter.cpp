#include "LxqtWallpaperSetter.h"

namespace rotation {

LxqtWallpaperSetter::LxqtWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void LxqtWallpaperSetter::apply(const QString& path) {
    // Joined to the option with '=', the path is its value even when it starts with '-'.
    run_(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--set-wallpaper=") + path},
         kWallpaperProgramTimeoutMs);
}

}  // namespace rotation
