#pragma once

#include "rotation/WallpaperSetter.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <functional>

namespace rotation {

// Hands a desktop script to Plasma; empty when Plasma took it, else why not. Tests replace it
// to read the script.
using PlasmaScriptSender = std::function<QString(const QString& script)>;

// The Plasma desktop script that shows, with the plain image wallpaper plugin, the image at
// fileUrls[i] on the desktops (one per activity) of the i-th screen from the left, and the
// first image on every screen beyond the list: one URL for all screens alike.
QString plasmaWallpaperScript(const QStringList& fileUrls);

// Calls org.kde.PlasmaShell.evaluateScript on plasmashell and waits for its answer, as long
// as a desktop's own tool is given. Empty when Plasma ran the script, else why it did not.
QString sendScriptToPlasmaShell(const QDBusConnection& bus, const QString& script);

// KDE Plasma: plasmashell owns the wallpaper, reachable only through its scripting API.
class KdeWallpaperSetter : public WallpaperSetter {
public:
    explicit KdeWallpaperSetter(PlasmaScriptSender send);
    // Sends to plasmashell on the session bus.
    KdeWallpaperSetter();
    QString apply(const QString& path) override;
    bool addressesMonitors() const override { return true; }
    QString applyEach(const std::vector<MonitorPicture>& pictures) override;

private:
    PlasmaScriptSender send_;
};

}  // namespace rotation
