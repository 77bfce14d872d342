#pragma once

#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// The desktops whose background lives in GSettings (GNOME, Cinnamon, MATE) fit one picture to
// each monitor by their "picture-options", or span it across all with "spanned": a picture
// per monitor or across all is handed over composed, spanned, and the user's own option is
// put back when each monitor shows the same picture again.
class GSettingsWallpaperSetter : public WallpaperSetter {
public:
    QString applyAcross(const QString& path, QString& keptFit) override;
    QString restoreFit(const QString& keptFit) override;

protected:
    GSettingsWallpaperSetter(QString schema, ProgramRunner run);

    const QString schema_;
    const ProgramRunner run_;
};

}  // namespace rotation
