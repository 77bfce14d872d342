#include "KdeWallpaperSetter.h"

#include "GSettings.h"
#include "JavaScriptString.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

#include "ProgramRunner.h"

namespace rotation {

QString plasmaWallpaperScript(const QStringList& fileUrls) {
    QStringList literals;
    for (const QString& url : fileUrls) literals << javaScriptStringLiteral(url);
    // Written for the oldest engine Plasma has shipped (ES5): no const, let or for-of. The
    // screens are put in the order the program numbers monitors in, left to right, then top
    // to bottom; a desktop on a screen without a picture of its own shows the first.
    return QStringLiteral(
               "var imageUrls = [%1];\n"
               "var allDesktops = desktops();\n"
               "var screens = [];\n"
               "for (var i = 0; i < allDesktops.length; i++) {\n"
               "    if (screens.indexOf(allDesktops[i].screen) < 0) "
               "screens.push(allDesktops[i].screen);\n"
               "}\n"
               "screens.sort(function (a, b) {\n"
               "    var ga = screenGeometry(a), gb = screenGeometry(b);\n"
               "    return ga.x - gb.x || ga.y - gb.y || a - b;\n"
               "});\n"
               "for (var i = 0; i < allDesktops.length; i++) {\n"
               "    var desktop = allDesktops[i];\n"
               "    var place = screens.indexOf(desktop.screen);\n"
               "    desktop.wallpaperPlugin = \"org.kde.image\";\n"
               "    desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
               // Plasma does not look again at an unchanged URL: a picture rewritten under
               // its name (Save Image over it) would go on showing its old pixels.
               "    desktop.writeConfig(\"Image\", \"\");\n"
               "    desktop.writeConfig(\"Image\", imageUrls[place < imageUrls.length ? place : "
               "0]);\n"
               "}\n")
        .arg(literals.join(QStringLiteral(", ")));
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
    // Plasma answers once the script has run, with an error where a policy locks the desktop
    // ("Widgets are locked") or forbids scripts. It is given as long as a desktop's own tool.
    const QDBusMessage reply = bus.call(call, QDBus::Block, kWallpaperChangeBudgetMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return {};
    const QDBusError error(reply);
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout)
        return QStringLiteral("Plasma did not answer within %1 seconds.")
            .arg(kWallpaperChangeBudgetMs / 1000);
    return QStringLiteral("Plasma did not take the wallpaper: %1").arg(error.message());
}

KdeWallpaperSetter::KdeWallpaperSetter(PlasmaScriptSender send) : send_(std::move(send)) {}

KdeWallpaperSetter::KdeWallpaperSetter()
    : send_([](const QString& script) {
          return sendScriptToPlasmaShell(QDBusConnection::sessionBus(), script);
      }) {}

QString KdeWallpaperSetter::apply(const QString& path) {
    return send_(plasmaWallpaperScript({fileUri(path)}));
}

QString KdeWallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    QStringList urls;
    for (const MonitorPicture& picture : pictures) urls << fileUri(picture.path);
    return send_(plasmaWallpaperScript(urls));
}

}  // namespace rotation
