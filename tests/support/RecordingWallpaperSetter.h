#pragma once

#include <QStringList>

#include "rotation/WallpaperSetter.h"

namespace testing_support {

// Remembers every wallpaper the program applied, in order, and answers each with `problem`
// (empty: the desktop took it).
class RecordingWallpaperSetter final : public rotation::WallpaperSetter {
public:
    QString apply(const QString& path) override {
        applied << path;
        return problem;
    }
    QStringList applied;
    QString problem;
};

}  // namespace testing_support
