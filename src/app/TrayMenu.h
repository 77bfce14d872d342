#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace platform {
class Autostart;
class Prompter;
}  // namespace platform

namespace rotation {
class MonitorWallpaper;
class Scheduler;
enum class MonitorMode;
}  // namespace rotation

namespace showlist {
class RecordSet;
}  // namespace showlist

namespace app {

class TrayIcon;

// The icon's tip, which tells a paused rotation at a glance.
QString trayTip(bool rotationPaused);

// What the menu works on: the rotation and its store, the icon it hangs from, and how the
// program asks, starts at log-in and ends.
struct TrayMenuParts {
    showlist::RecordSet& store;
    rotation::Scheduler& rotation;
    TrayIcon& icon;
    platform::Prompter& prompter;
    // Null where the program has no log-in start entry to offer.
    const platform::Autostart* autostart;
    // What the monitors show; null where the menu does not offer it.
    rotation::MonitorWallpaper* monitors;
    // The main window's "&Exit": asks, then ends the program.
    std::function<void()> exit;
    // The window questions are shown over.
    QWidget* dialogParent;
};

// The menu of the notification-area icon: the rotation's commands without opening the
// window, the window itself, the log-in start and Exit.
class TrayMenu final : public QObject {
    Q_OBJECT
public:
    TrayMenu(TrayMenuParts parts, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu& menu() { return *menu_; }

private:
    // Everything that may have changed since the menu was last shown: the store filled or
    // emptied, the log-in entry changed from outside.
    void refresh();
    void showPause(bool paused);
    void togglePause();
    void startAtLogIn(bool wanted);
    void addMonitorsMenu();
    void showOnMonitors(rotation::MonitorMode mode);
    void tellFailure(const QString& reason);

    TrayMenuParts parts_;
    std::unique_ptr<QMenu> menu_;
    QAction* next_;
    QAction* pause_;
    QAction* startAtLogIn_;
    // The "&Monitors" items, in the order of MonitorMode.
    std::vector<QAction*> monitorModes_;
};

}  // namespace app
