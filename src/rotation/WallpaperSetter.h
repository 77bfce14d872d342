#pragma once

#include <QString>
#include <vector>

#include "platform/monitors/Monitor.h"

namespace rotation {

// A picture for one monitor: the file it shows there.
struct MonitorPicture {
    platform::Monitor monitor;
    QString path;
};

// Makes an image file the desktop wallpaper, persisted for the user, and tells the desktop.
// A desktop that refuses the image keeps its old wallpaper and the rotation goes on
// regardless; what went wrong is handed back so the user can be told.
//
// Every desktop takes one picture for all its monitors; those that can be told a picture
// per monitor say so, and the others are given a picture per monitor, or one across them
// all, as one composed image of the whole layout.
class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // Empty when the desktop took the image; otherwise why it did not, as a sentence for the
    // user ("swaymsg could not be started: is it installed?"). The desktop fits the picture
    // to each monitor in its own way.
    [[nodiscard]] virtual QString apply(const QString& path) = 0;

    // Whether applyEach() can give each monitor its own file.
    virtual bool addressesMonitors() const { return false; }
    // Whether apply() leaves each monitor's fit to the desktop; a setter that draws the
    // background itself fits each monitor through applyEach() instead.
    virtual bool desktopFitsMonitors() const { return true; }
    // Each monitor of the layout its own file, fitted to it; only where addressesMonitors().
    [[nodiscard]] virtual QString applyEach(const std::vector<MonitorPicture>& pictures);

    // One image of the whole layout shown across all monitors. `keptFit` is the desktop's
    // own way of fitting a wallpaper as it was before the program first spanned one: empty
    // until then, when the setter fills it in so restoreFit() can put it back.
    [[nodiscard]] virtual QString applyAcross(const QString& path, QString& keptFit);
    // Puts the desktop's own way of fitting back, before a picture is shown on each monitor
    // again.
    [[nodiscard]] virtual QString restoreFit(const QString& keptFit);
};

}  // namespace rotation
