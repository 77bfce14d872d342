#include "WallpaperSetter.h"

namespace rotation {

QString WallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    return pictures.empty() ? QString() : apply(pictures.front().path);
}

QString WallpaperSetter::applyAcross(const QString& path, QString&) { return apply(path); }

QString WallpaperSetter::restoreFit(const QString&) { return {}; }

}  // namespace rotation
