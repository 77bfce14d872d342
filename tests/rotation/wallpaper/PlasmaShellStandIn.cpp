#include "PlasmaShellStandIn.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QProcess>

namespace wallpaper_test {

namespace {

// A connection of its own: the setter's calls reach it through the bus daemon, as Plasma's do.
const QString kConnection = QStringLiteral("plasmashell-stand-in");

}  // namespace

PlasmaShellStandIn::PlasmaShellStandIn() {
    QDBusConnection bus = QDBusConnection::connectToBus(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), kConnection);
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), this,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell")))
        problem = QStringLiteral("The stand-in for plasmashell cannot go on the bus: ") +
                  bus.lastError().message();
}

PlasmaShellStandIn::~PlasmaShellStandIn() { QDBusConnection::disconnectFromBus(kConnection); }

void PlasmaShellStandIn::evaluateScript(const QString& script) {
    QProcess node;
    node.start(QStringLiteral("node"), {QStringLiteral(QUORVANE_PLASMA_DESKTOP_STAND_IN)});
    node.write(script.toUtf8());
    node.closeWriteChannel();
    const bool ran =
        node.waitForFinished() && node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0;
    evaluations.push_back({script, node.readAllStandardOutput(),
                           ran ? QString() : QString::fromUtf8(node.readAllStandardError())});
}

}  // namespace wallpaper_test
