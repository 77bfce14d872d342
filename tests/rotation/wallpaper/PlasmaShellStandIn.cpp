#include "PlasmaShellStandIn.h"

#include <QDBusError>
#include <QMutexLocker>
#include <QProcess>
#include <QUuid>

namespace wallpaper_test {

PlasmaShellStandIn::PlasmaShellStandIn(const QString& busAddress)
    : connectionName_(QStringLiteral("plasmashell-") + QUuid::createUuid().toString()) {
    thread_.start();
    moveToThread(&thread_);
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, connectionName_);
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), this,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell")))
        problem_ = QStringLiteral("The stand-in for plasmashell cannot go on the bus at %1: %2")
                       .arg(busAddress, bus.lastError().message());
}

PlasmaShellStandIn::~PlasmaShellStandIn() {
    QDBusConnection::disconnectFromBus(connectionName_);
    thread_.quit();
    thread_.wait();
}

std::vector<PlasmaShellStandIn::Evaluation> PlasmaShellStandIn::evaluations() const {
    const QMutexLocker lock(&mutex_);
    return evaluations_;
}

void PlasmaShellStandIn::evaluateScript(const QString& script) {
    QProcess node;
    node.start(QStringLiteral("node"), {QStringLiteral(QUORVANE_PLASMA_DESKTOP_STAND_IN)});
    node.write(script.toUtf8());
    node.closeWriteChannel();
    Evaluation evaluation{script, {}, {}};
    if (node.waitForFinished() && node.exitStatus() == QProcess::NormalExit &&
        node.exitCode() == 0) {
        evaluation.configWrites = node.readAllStandardOutput();
    } else {
        evaluation.error = QString::fromUtf8(node.readAllStandardError()).trimmed();
        if (evaluation.error.isEmpty())
            evaluation.error =
                QStringLiteral("node could not run the script: %1").arg(node.errorString());
        sendErrorReply(QDBusError::Failed, evaluation.error);
    }
    const QMutexLocker lock(&mutex_);
    evaluations_.push_back(evaluation);
}

}  // namespace wallpaper_test
