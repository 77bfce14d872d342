#include "KdeWallpaperSetter.h"

#include "GSettings.h"
#include "JavaScriptString.h"

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

void sendScriptToPlasmaShell(const QDBusConnection& bus, const QString& script) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script;
    bus.send(call);
}

KdeWallpaperSetter::KdeWallpaperSetter(PlasmaScriptSender send) : send_(std::move(send)) {}

KdeWallpaperSetter::KdeWallpaperSetter()
    : send_([](const QString& script) {
          sendScriptToPlasmaShell(QDBusConnection::sessionBus(), script);
      }) {}

void KdeWallpaperSetter::apply(const QString& path) { send_(plasmaWallpaperScript(fileUri(path))); }

}  // namespace rotation
