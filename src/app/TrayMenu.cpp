#include "TrayMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <stdexcept>

#include "TrayIcon.h"
#include "platform/Autostart.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"
#include "rotation/MonitorMode.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/Scheduler.h"
#include "showlist/RecordSet.h"

namespace app {

namespace {

const QString kTitle = QStringLiteral("Quorvane");

QAction* addNamed(QMenu& menu, const char* name, const QString& caption) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

}  // namespace

QString trayTip(bool rotationPaused) {
    return rotationPaused ? QStringLiteral("Quorvane. (paused)") : QStringLiteral("Quorvane.");
}

TrayMenu::TrayMenu(TrayMenuParts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts)), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("mnuTray"));
    next_ = addNamed(*menu_, "mnuNextWallpaper", QStringLiteral("&Next Wallpaper"));
    connect(next_, &QAction::triggered, this, [this] { parts_.rotation.stepNow(); });
    pause_ = addNamed(*menu_, "mnuPauseRotation", QString());
    connect(pause_, &QAction::triggered, this, &TrayMenu::togglePause);
    menu_->addSeparator();
    QAction* open = addNamed(*menu_, "mnuOpen", QStringLiteral("&Open Quorvane"));
    // Through the icon's own signal, so the menu and the double click cannot drift apart.
    connect(open, &QAction::triggered, &parts_.icon, &TrayIcon::doubleClicked);
    addMonitorsMenu();
    startAtLogIn_ = addNamed(*menu_, "mnuStartAtLogIn", QStringLiteral("Start at &Log-in"));
    startAtLogIn_->setCheckable(true);
    connect(startAtLogIn_, &QAction::triggered, this, &TrayMenu::startAtLogIn);
    menu_->addSeparator();
    QAction* exit = addNamed(*menu_, "mnuExit", QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, [this] { parts_.exit(); });

    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayMenu::refresh);
    connect(&parts_.rotation, &rotation::Scheduler::pausedChanged, this, &TrayMenu::showPause);
    showPause(parts_.rotation.isPaused());
    refresh();
    parts_.icon.setMenu(menu_.get());
}

TrayMenu::~TrayMenu() = default;

void TrayMenu::addMonitorsMenu() {
    if (!parts_.monitors) return;
    QMenu* monitors = menu_->addMenu(QStringLiteral("&Monitors"));
    monitors->setObjectName(QStringLiteral("mnuMonitors"));
    auto* choices = new QActionGroup(monitors);
    const std::pair<const char*, QString> items[] = {
        {"mnuMonitorsSame", QStringLiteral("&Same Picture on Each")},
        {"mnuMonitorsEach", QStringLiteral("A &Different Picture on Each")},
        {"mnuMonitorsSpan", QStringLiteral("&One Picture Across All")},
    };
    const rotation::MonitorMode modes[] = {rotation::MonitorMode::Same, rotation::MonitorMode::Each,
                                           rotation::MonitorMode::Span};
    for (int i = 0; i < 3; ++i) {
        QAction* item = addNamed(*monitors, items[i].first, items[i].second);
        item->setCheckable(true);
        choices->addAction(item);
        connect(item, &QAction::triggered, this, [this, mode = modes[i]] { showOnMonitors(mode); });
        monitorModes_.push_back(item);
    }
}

void TrayMenu::showOnMonitors(rotation::MonitorMode mode) {
    QString notKept;
    const QString problem = parts_.monitors->setMode(mode, &notKept);
    parts_.rotation.tellOutcome(problem);
    if (!notKept.isEmpty())
        tellFailure(QStringLiteral("The choice holds until Quorvane ends, but cannot be kept "
                                   "for its next start:\r\n%1")
                        .arg(notKept));
}

void TrayMenu::refresh() {
    int count = 0;
    platform::skipOnError([&] {
        if (parts_.store.isOpen()) count = parts_.store.RecordCount();
    });
    next_->setEnabled(count > 0);
    startAtLogIn_->setEnabled(parts_.autostart != nullptr);
    if (parts_.monitors) monitorModes_[int(parts_.monitors->mode())]->setChecked(true);
    startAtLogIn_->setChecked(parts_.autostart &&
                              parts_.autostart->state() == platform::AutostartState::On);
}

void TrayMenu::showPause(bool paused) {
    pause_->setText(paused ? QStringLiteral("&Resume Rotation")
                           : QStringLiteral("&Pause Rotation"));
    parts_.icon.setTip(trayTip(paused));
}

void TrayMenu::togglePause() {
    if (parts_.rotation.isPaused())
        parts_.rotation.resume();
    else
        parts_.rotation.pause();
}

void TrayMenu::startAtLogIn(bool wanted) {
    const platform::Autostart& autostart = *parts_.autostart;
    try {
        if (!wanted) {
            autostart.disable();
        } else if (autostart.state() != platform::AutostartState::OtherProgram ||
                   parts_.prompter.message(
                       QStringLiteral("Another Quorvane starts at log-in:\r\n%1\r\n\r\nStart this "
                                      "one instead?")
                           .arg(autostart.existingCommand()),
                       platform::Buttons::YesNo, platform::Icon::Question, kTitle,
                       parts_.dialogParent) == platform::Answer::Yes) {
            autostart.enable();
        }
    } catch (const std::exception& error) {
        tellFailure(QString::fromStdString(error.what()));
    }
    startAtLogIn_->setChecked(autostart.state() == platform::AutostartState::On);
}

void TrayMenu::tellFailure(const QString& reason) {
    parts_.prompter.message(reason, platform::Buttons::Ok, platform::Icon::Exclamation, kTitle,
                            parts_.dialogParent);
}

}  // namespace app
