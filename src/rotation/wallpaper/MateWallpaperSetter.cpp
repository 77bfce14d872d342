#include "MateWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

MateWallpaperSetter::MateWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void MateWallpaperSetter::apply(const QString& path) {
    setGSettingsKey(run_, QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"),
                    gvariantStringLiteral(path));
}

}  // namespace rotation
