#include "CinnamonWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

CinnamonWallpaperSetter::CinnamonWallpaperSetter(ProgramRunner run)
    : GSettingsWallpaperSetter(QStringLiteral("org.cinnamon.desktop.background"), std::move(run)) {}

QString CinnamonWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    setGSettingsKey(change, schema_, QStringLiteral("picture-uri"),
                    gvariantStringLiteral(fileUri(path)));
    return change.problem();
}

}  // namespace rotation
