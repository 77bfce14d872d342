#include "TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>

namespace app {

TrayMode detectTrayMode() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return TrayMode::MinimizeInstead;
#ifdef Q_OS_LINUX
    // Qt prefers StatusNotifierItem whenever a watcher runs on the session bus.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() &&
        bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return TrayMode::ActivationIsDoubleClick;
#endif
    return TrayMode::SystemTray;
}

TrayIcon::TrayIcon(TrayMode mode, QObject* parent) : QObject(parent), mode_(mode) {
    if (mode_ == TrayMode::MinimizeInstead) return;
    icon_ = new QSystemTrayIcon(this);
    connect(
        icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick ||
                (reason == QSystemTrayIcon::Trigger && mode_ == TrayMode::ActivationIsDoubleClick))
                emit doubleClicked();
        });
}

void TrayIcon::add(const QIcon& icon, const QString& tip) {
    if (!icon_) return;
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    icon_->show();
}

void TrayIcon::remove() {
    if (icon_) icon_->hide();
}

bool TrayIcon::isPresent() const { return icon_ && icon_->isVisible(); }

QRect TrayIcon::geometry() const { return isPresent() ? icon_->geometry() : QRect(); }

}  // namespace app
