// The main window's hand-over to the notification area and back: the icon added and removed,
// the caption zoom between window and icon, and the minimised window standing in for the icon
// where there is no notification area.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "CaptionZoom.h"
#include "TrayMenu.h"
#include "app/frmTray.h"
#include "rotation/Scheduler.h"
#include "showlist/PreviewPrefetcher.h"
#include "showlist/ShowLists.h"

namespace app {

void frmTray::AddTrayIcon() {
    // Installed once only: a second hook would swallow the first.
    if (!hookInstalled_) {
        installEventFilter(this);
        hookInstalled_ = true;
    }
    trayIcon_->add(windowIcon(), trayTip(rotation_->isPaused()));
}

void frmTray::RemoveTrayIcon() {
    if (hookInstalled_) {
        removeEventFilter(this);
        hookInstalled_ = false;
    }
    trayIcon_->remove();
}

void frmTray::AnimateTray(int direction) {
    if (direction == 0) {
        // Out of the place the icon left, to wherever the window system shows the window.
        zoomCaption(trayIcon_->lastPlacement(), [window = QPointer<QWidget>(this)] {
            return window ? window->frameGeometry() : QRect();
        });
    } else if (direction == 1) {
        // The notification area finds a new icon its place a moment after it is added.
        const QRect window = frameGeometry();
        trayIcon_->whenPlaced(
            [window](const QRect& icon) { zoomCaption(window, [icon] { return icon; }); });
    }
}

void frmTray::reStart() { cmdSaveSetup->setEnabled(true); }

void frmTray::hideToTray(bool animate) {
    // Days in the notification area are no time to hold previews the user may not come back to.
    previews_->cache().clear();
    AddTrayIcon();
    if (trayIcon_->mode() == TrayMode::MinimizeInstead) {
        // A Wayland compositor may ignore "minimise" (sway has no such state) and never tells
        // whether it did: a window left in view would count as hidden. The window is hidden
        // instead, and starting the program again brings it back.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            hide();
            return;
        }
        minimizedAsTray_ = true;
        showMinimized();
        return;
    }
    if (animate) AnimateTray(1);
    hide();
}

void frmTray::onTrayDoubleClick() {
    if (!hookInstalled_) return;
    RemoveTrayIcon();
    AnimateTray(0);
    QCoreApplication::processEvents();
    minimizedAsTray_ = false;
    if (isVisible()) {
        // Restored from the minimised stand-in: already shown, so activate by hand.
        showNormal();
        Form_Activate();
    } else {
        show();
    }
    reStart();
}

void frmTray::mnuRestore_Click() {
    RemoveTrayIcon();
    const bool wasVisible = isVisible();
    minimizedAsTray_ = false;
    showNormal();
    if (wasVisible) Form_Activate();
    if (lists_->count() > 0) cmdSaveSetup->setEnabled(true);
}

void frmTray::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !minimizedAsTray_) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // Without a notification area the minimised window stands for the icon, and restoring
    // it stands for the double click on the icon.
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
        QTimer::singleShot(0, this, &frmTray::onTrayDoubleClick);
}

}  // namespace app
