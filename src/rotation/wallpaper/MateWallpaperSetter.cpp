#include "MateWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

MateWallpaperSetter::MateWallpaperSetter(ProgramRunner run)
    : GSettingsWallpaperSetter(QStringLiteral("org.mate.background"), std::move(run)) {}

QString MateWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    setGSettingsKey(change, schema_, QStringLiteral("picture-filename"),
                    gvariantStringLiteral(path));
    return change.problem();
}

}  // namespace rotation
