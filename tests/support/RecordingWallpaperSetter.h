#pragma once

#include <QStringList>

#include "rotation/WallpaperSetter.h"

namespace testing_support {

// Remembers every wallpaper the program applied, in order.
class RecordingWallpaperSetter final : public rotation::WallpaperSetter {
public:
    void apply(const QString& path) override { applied << path; }
    QStringList applied;
};

}  // namespace testing_support
