#pragma once

#include "rotation/WallpaperSetter.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

namespace rotation {

// Windows: the system call behind the Desktop Background settings page. The setting is
// written to the user profile and every window is told, so Explorer redraws at once.
class WindowsWallpaperSetter : public WallpaperSetter {
public:
    QString apply(const QString& path) override;
};

}  // namespace rotation

#endif
