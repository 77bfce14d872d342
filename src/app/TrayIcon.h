#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <functional>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace app {

// How the desktop lets the program sit in the notification area.
enum class TrayMode {
    // An icon that reports double clicks (the XEmbed tray, Windows).
    SystemTray,
    // An icon whose protocol reports only "activated" (StatusNotifierItem): that activation
    // stands for the double click.
    ActivationIsDoubleClick,
    // No notification area: the window is minimised instead, and restoring it stands for
    // the double click.
    MinimizeInstead,
};

// Looks at the running desktop.
TrayMode detectTrayMode();

// The notification-area icon: shown with a tip, removable on demand, reporting a left
// double click (or what stands for it in this mode).
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(TrayMode mode, QObject* parent = nullptr);

    TrayMode mode() const { return mode_; }
    void add(const QIcon& icon, const QString& tip);
    void remove();
    bool isPresent() const;
    void setTip(const QString& tip);
    // The menu a right click opens (on StatusNotifierItem hosts, whatever the host shows it
    // for); nothing without a notification area.
    void setMenu(QMenu* menu);
    // Where the icon is on screen; empty when the desktop does not say.
    QRect geometry() const;
    // Where the notification area last showed the icon; kept after the icon is removed, so a
    // window can be seen to come out of the place the icon left.
    QRect lastPlacement() const { return placement_; }
    // Runs `then` with the icon's place once the notification area has taken the icon in and
    // laid it out - at once when it already has; never when that does not happen within a
    // few seconds, or the icon is removed first.
    void whenPlaced(std::function<void(const QRect&)> then);
    // A balloon from the icon that takes no focus; nothing while the icon is not shown.
    void showMessage(const QString& title, const QString& text, bool warning);
    // The underlying icon, for tests that play the desktop's part.
    QSystemTrayIcon* systemTrayIcon() const { return icon_; }

signals:
    void doubleClicked();

private:
    // The icon's place as the notification area has it now; empty until it has embedded it.
    QRect embeddedGeometry() const;
    void checkPlacement();

    TrayMode mode_;
    QSystemTrayIcon* icon_ = nullptr;
    QRect placement_;
    bool placed_ = false;
    // The notification area embeds a new icon and may move it again while it lays out its
    // row: the icon has found its place once a few readings in a row agree.
    QTimer placementCheck_;
    QRect lastReading_;
    int agreeingReadings_ = 0;
    int readingsLeft_ = 0;
    std::vector<std::function<void(const QRect&)>> waitingForPlace_;
};

}  // namespace app
