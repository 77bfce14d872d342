#include "PlasmaShell.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace testing_support {

QString plasmaScript(const QString& script) {
    // A connection of its own: the process's session bus may be an earlier session's.
    const QString name = QStringLiteral("plasma-script");
    QDBusConnection bus =
        QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), name);
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.plasmashell", "/PlasmaShell",
                                                       "org.kde.PlasmaShell", "evaluateScript");
    call << script;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDeadlineMs);
    QDBusConnection::disconnectFromBus(name);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString()
                                                      : "error: " + reply.errorMessage();
}

QString startPlasma(DesktopSession& session, int screens, const QString& kdeglobals) {
    QFile settings(session.folder("config/kdeglobals"));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(("[KDE]\nAnimationDurationFactor=0\n" + kdeglobals).toUtf8()) < 0)
        return "No Plasma settings: " + settings.errorString();
    settings.close();
    session.setVariable("QT_QUICK_BACKEND", "software");
    if (const QString problem = session.startOwnerOf("org.kde.ActivityManager"); !problem.isEmpty())
        return problem;
    const QProcess& plasma = session.start("plasmashell", {"--no-respawn"});
    // The desktops come a few seconds after plasmashell is on the bus; a desktop that a policy
    // locks refuses every script from the start.
    const QString expected = QString::number(screens);
    QString said;
    const auto ready = [&] {
        said = plasmaScript("print(desktops().length)");
        return plasma.state() != QProcess::Running || said == expected ||
               said.endsWith("Widgets are locked");
    };
    if (!waitFor(ready, 3 * kDeadlineMs) || plasma.state() != QProcess::Running)
        return "Plasma did not show " + expected + " desktops: " + said + session.report();
    if (said != expected) return {};
    return plasmaScript("panels().forEach(function (p) { p.remove(); })");
}

}  // namespace testing_support
