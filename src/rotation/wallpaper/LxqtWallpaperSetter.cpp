#include "LxqtWallpaperSetter.h"

#include "ProgramSequence.h"

namespace rotation {

LxqtWallpaperSetter::LxqtWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString LxqtWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    // Joined to the option with '=', the path is its value even when it starts with '-'.
    change.run(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--set-wallpaper=") + path});
    return change.problem();
}

}  // namespace rotation
