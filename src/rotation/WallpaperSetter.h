#pragma once

#include <QString>

namespace rotation {

// Makes an image file the desktop wallpaper, persisted for the user, and tells the desktop.
// Reports nothing back: a desktop that refuses the image keeps its old wallpaper and the
// rotation goes on regardless.
class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    virtual void apply(const QString& path) = 0;
};

}  // namespace rotation
