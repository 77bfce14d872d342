#include "KdeWallpaperSetter.h"

#include "GSettings.h"
#include "JavaScriptString.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace rotation {

QString plasmaWallpaperScript(const QString& fileUrl) {
    // Written for the oldest engine Plasma has shipped (ES5): no const, let or for-of.
    return QStringLiteral(
               "var imageUrl = %1;\n"
               "var allDesktops = desktops();\n"
               "for (var i = 0; i < allDesktops.length; i++) {\n"
               "    var desktop = allDesktops[i];\n"
               "    desktop.wallpaperPlugin = \"org.kde.image\";\n"
               "    desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
               "    desktop.writeConfig(\"Image\", imageUrl);\n"
               "}\n")
        .arg(javaScriptStringLiteral(fileUrl));
}

QString sendScriptToPlasmaShell(const QDBusConnection& bus, const QString& script) {
    const QString service = QStringLiteral("org.kde.plasmashell");
    if (!bus.isConnected()) return QStringLiteral("There is no session bus to reach Plasma on.");
    // The bus itself answers this at once, whatever state Plasma is in.
    if (bus.interface() && !bus.interface()->isServiceRegistered(service))
        return QStringLiteral("Plasma (%1) is not running on the session bus.").arg(service);
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/PlasmaShell"),
                                                       QStringLiteral("org.kde.PlasmaShell"),
                                                       QStringLiteral("evaluateScript"));
    call << script;
    if (bus.send(call)) return {};
    return QStringLiteral("The wallpaper script could not be sent to Plasma: %1")
        .arg(bus.lastError().message());
}

KdeWallpaperSetter::KdeWallpaperSetter(PlasmaScriptSender send) : send_(std::move(send)) {}

KdeWallpaperSetter::KdeWallpaperSetter()
    : send_([](const QString& script) {
          return sendScriptToPlasmaShell(QDBusConnection::sessionBus(), script);
      }) {}

QString KdeWallpaperSetter::apply(const QString& path) {
    return send_(plasmaWallpaperScript(fileUri(path)));
}

}  // namespace rotation
