#pragma once

#include "rotation/WallpaperSetter.h"

#include <QDBusConnection>
#include <QString>
#include <functional>

namespace rotation {

// Hands a desktop script to Plasma; empty when Plasma took it, else why not. Tests replace it
// to read the script.
using PlasmaScriptSender = std::function<QString(const QString& script)>;

// The Plasma desktop script that shows the image at fileUrl on every desktop (every screen
// and activity) with the plain image wallpaper plugin.
QString plasmaWallpaperScript(const QString& fileUrl);

// Calls org.kde.PlasmaShell.evaluateScript on plasmashell without waiting for the answer: a
// busy Plasma must not hold up the tray. Empty when the call went out to a running Plasma,
// else why it could not.
QString sendScriptToPlasmaShell(const QDBusConnection& bus, const QString& script);

// KDE Plasma: plasmashell owns the wallpaper, reachable only through its scripting API.
class KdeWallpaperSetter : public WallpaperSetter {
public:
    explicit KdeWallpaperSetter(PlasmaScriptSender send);
    // Sends to plasmashell on the session bus.
    KdeWallpaperSetter();
    QString apply(const QString& path) override;

private:
    PlasmaScriptSender send_;
};

}  // namespace rotation
