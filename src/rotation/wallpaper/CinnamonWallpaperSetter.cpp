#include "CinnamonWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

CinnamonWallpaperSetter::CinnamonWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void CinnamonWallpaperSetter::apply(const QString& path) {
    setGSettingsKey(run_, QStringLiteral("org.cinnamon.desktop.background"),
                    QStringLiteral("picture-uri"), gvariantStringLiteral(fileUri(path)));
}

}  // namespace rotation
