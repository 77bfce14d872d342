#include "TrayIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>
#include <QWidget>

#include "platform/WindowEmbedding.h"

namespace app {
namespace {

constexpr int kPlacementCheckMs = 40;
// Readings that must agree before the icon counts as placed, and how many are taken at most.
constexpr int kAgreeingReadings = 3;
constexpr int kMostReadings = 100;

// The window Qt shows the icon in where the notification area embeds icons (XEmbed on X11).
QWidget* embeddedIconWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->inherits("QSystemTrayIconSys") ||
            window->objectName() == QLatin1String("QSystemTrayIconSys"))
            return window;
    return nullptr;
}

}  // namespace

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
    placementCheck_.setInterval(kPlacementCheckMs);
    connect(&placementCheck_, &QTimer::timeout, this, &TrayIcon::checkPlacement);
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
    placed_ = false;
    lastReading_ = QRect();
    agreeingReadings_ = 0;
    readingsLeft_ = kMostReadings;
    placementCheck_.start();
}

void TrayIcon::remove() {
    // The row of icons may have been laid out again since the icon found its place.
    if (placed_) {
        const QRect now = embeddedGeometry();
        if (!now.isEmpty()) placement_ = now;
    }
    placementCheck_.stop();
    waitingForPlace_.clear();
    if (icon_) icon_->hide();
}

void TrayIcon::showMessage(const QString& title, const QString& text, bool warning) {
    if (isPresent())
        icon_->showMessage(title, text,
                           warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void TrayIcon::whenPlaced(std::function<void(const QRect&)> then) {
    if (!isPresent()) return;
    if (placed_)
        then(placement_);
    else
        waitingForPlace_.push_back(std::move(then));
}

QRect TrayIcon::embeddedGeometry() const {
    if (!isPresent()) return {};
    if (QWidget* window = embeddedIconWindow();
        window && !platform::isEmbeddedByAnotherWindow(*window))
        return {};
    return icon_->geometry();
}

void TrayIcon::checkPlacement() {
    const QRect reading = embeddedGeometry();
    agreeingReadings_ = !reading.isEmpty() && reading == lastReading_ ? agreeingReadings_ + 1 : 0;
    lastReading_ = reading;
    if (agreeingReadings_ + 1 >= kAgreeingReadings) {
        placementCheck_.stop();
        placed_ = true;
        placement_ = reading;
        for (const auto& then : std::exchange(waitingForPlace_, {})) then(placement_);
        return;
    }
    if (--readingsLeft_ <= 0) {
        placementCheck_.stop();
        waitingForPlace_.clear();
    }
}

void TrayIcon::setTip(const QString& tip) {
    if (icon_) icon_->setToolTip(tip);
}

void TrayIcon::setMenu(QMenu* menu) {
    if (icon_) icon_->setContextMenu(menu);
}

bool TrayIcon::isPresent() const { return icon_ && icon_->isVisible(); }

QRect TrayIcon::geometry() const { return isPresent() ? icon_->geometry() : QRect(); }

}  // namespace app
