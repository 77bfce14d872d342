#include "MateWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

MateWallpaperSetter::MateWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString MateWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    setGSettingsKey(change, QStringLiteral("org.mate.background"),
                    QStringLiteral("picture-filename"), gvariantStringLiteral(path));
    return change.problem();
}

}  // namespace rotation
