#include "WallpaperNotice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#include <cstdio>

#include "TrayIcon.h"

namespace app {
namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");

void printLine(const QString& line) {
    std::fputs(("quorvane: " + line + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// Hands the notice to the desktop's notification service, if one runs; false when none does.
bool notifyDesktop(const QString& summary, const QString& body) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kNotifications))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kNotifications, QStringLiteral("/org/freedesktop/Notifications"), kNotifications,
        QStringLiteral("Notify"));
    call << QStringLiteral("Quorvane") << uint(0) << QStringLiteral("quorvane") << summary << body
         << QStringList() << QVariantMap() << -1;
    // Not waited for: the rotation must not hang on a busy notification service.
    return bus.send(call);
}

}  // namespace

WallpaperNotice::WallpaperNotice(QString backend, TrayIcon& icon, QObject* parent)
    : QObject(parent), backend_(std::move(backend)), icon_(icon) {}

void WallpaperNotice::failing(const QString& reason) {
    printLine(QStringLiteral("the wallpaper could not be changed with the %1 backend: %2")
                  .arg(backend_, reason));
    show(QStringLiteral("Quorvane cannot change the wallpaper"),
         QStringLiteral("The %1 wallpaper backend failed: %2\nThe show list goes on; you will be "
                        "told when the wallpaper changes again.")
             .arg(backend_, reason),
         true);
}

void WallpaperNotice::worksAgain() {
    printLine(QStringLiteral("the wallpaper changes again with the %1 backend").arg(backend_));
    show(QStringLiteral("Quorvane changes the wallpaper again"),
         QStringLiteral("The %1 wallpaper backend works again.").arg(backend_), false);
}

void WallpaperNotice::show(const QString& summary, const QString& body, bool problem) {
    if (notifyDesktop(summary, body)) return;
    icon_.showMessage(summary, body, problem);
}

}  // namespace app
