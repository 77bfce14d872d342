#include "GnomeWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

GnomeWallpaperSetter::GnomeWallpaperSetter(ProgramRunner run)
    : GSettingsWallpaperSetter(QStringLiteral("org.gnome.desktop.background"), std::move(run)) {}

QString GnomeWallpaperSetter::apply(const QString& path) {
    const QString value = gvariantStringLiteral(fileUri(path));
    ProgramSequence change(run_);
    if (!setGSettingsKey(change, schema_, QStringLiteral("picture-uri"), value))
        return change.problem();
    // Older GNOME releases have no dark key; gsettings refuses it without harm. Only a
    // gsettings that hangs or is gone is worth telling about.
    setGSettingsKey(change, schema_, QStringLiteral("picture-uri-dark"), value);
    const platform::ProcessResult& refused = change.last();
    return refused.started && !refused.timedOut && !refused.interrupted ? QString()
                                                                        : change.problem();
}

}  // namespace rotation
