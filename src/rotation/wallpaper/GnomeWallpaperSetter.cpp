#include "GnomeWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

GnomeWallpaperSetter::GnomeWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void GnomeWallpaperSetter::apply(const QString& path) {
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    const QString value = gvariantStringLiteral(fileUri(path));
    setGSettingsKey(run_, schema, QStringLiteral("picture-uri"), value);
    // Older GNOME releases have no dark key; gsettings refuses it without harm.
    setGSettingsKey(run_, schema, QStringLiteral("picture-uri-dark"), value);
}

}  // namespace rotation
