#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>

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
    // Where the icon is on screen; empty when the desktop does not say.
    QRect geometry() const;
    // The underlying icon, for tests that play the desktop's part.
    QSystemTrayIcon* systemTrayIcon() const { return icon_; }

signals:
    void doubleClicked();

private:
    TrayMode mode_;
    QSystemTrayIcon* icon_ = nullptr;
};

}  // namespace app
