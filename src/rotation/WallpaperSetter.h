#pragma once

#include <QString>

namespace rotation {

// Makes an image file the desktop wallpaper, persisted for the user, and tells the desktop.
// A desktop that refuses the image keeps its old wallpaper and the rotation goes on
// regardless; what went wrong is handed back so the user can be told.
class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // Empty when the desktop took the image; otherwise why it did not, as a sentence for the
    // user ("swaymsg could not be started: is it installed?").
    [[nodiscard]] virtual QString apply(const QString& path) = 0;
};

}  // namespace rotation
