#pragma once

#include "rotation/WallpaperSetter.h"

namespace rotation {

// Chosen when the session offers no way to set the wallpaper that we know of: the rotation
// still runs (and records the current image), the desktop simply stays as it is.
class NullWallpaperSetter : public WallpaperSetter {
public:
    QString apply(const QString&) override { return {}; }
};

}  // namespace rotation
