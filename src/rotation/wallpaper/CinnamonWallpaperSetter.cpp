#include "CinnamonWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

CinnamonWallpaperSetter::CinnamonWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString CinnamonWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    setGSettingsKey(change, QStringLiteral("org.cinnamon.desktop.background"),
                    QStringLiteral("picture-uri"), gvariantStringLiteral(fileUri(path)));
    return change.problem();
}

}  // namespace rotation
