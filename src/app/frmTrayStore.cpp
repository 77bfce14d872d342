// The main window's show list in the store: read when the window opens, written back by Save
// Setup, and the wallpaper showing recorded when the program ends.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>

#include "app/frmTray.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"
#include "rotation/Scheduler.h"
#include "showlist/Drives.h"
#include "showlist/ImageBrowser.h"
#include "showlist/StoreFile.h"
#include "showlist/StoreReader.h"
#include "showlist/StoreWriter.h"
#include "showlist/ViewTime.h"

namespace app {

using platform::skipOnError;

namespace {

// Display-time choices in minutes, offered in this order; 15 is the default.
const QStringList kDisplayTimes = {
    QStringLiteral("2"),  QStringLiteral("5"),   QStringLiteral("10"),  QStringLiteral("15"),
    QStringLiteral("30"), QStringLiteral("45"),  QStringLiteral("60"),  QStringLiteral("75"),
    QStringLiteral("90"), QStringLiteral("120"), QStringLiteral("180"), QStringLiteral("240")};

}  // namespace

QString frmTray::databasePath() const {
    return showlist::storeFilePath(services_.desktop.programFolder());
}

void frmTray::Form_Load() {
    skipOnError([&] { Data1.open(databasePath()); });
    ComboTime->clear();
    ComboTime->addItems(kDisplayTimes);
    ComboTime->setEditText(QStringLiteral("15"));
    browser_->start(showlist::availableDrives(), QDir::homePath());
}

void frmTray::Form_Activate() {
    lists_->clear();
    rotation::Scheduler& rotation = *rotation_;
    int count = 0;
    skipOnError([&] { count = Data1.RecordCount(); });
    if (count > 0) {
        const bool found = skipOnError([&] {
                               rotation.OldWallPaper = showlist::savedWallPaper(Data1);
                               showlist::fillLists(Data1, *lists_);
                           }) &&
                           skipOnError([&] {
                               if (!showlist::findPath(Data1, rotation.OldWallPaper))
                                   throw showlist::StoreError("");
                           });
        if (found) {
            rotation.ChangeWallPaper(rotation.OldWallPaper);
            // A display time that cannot be read keeps the countdown where it was rather
            // than stopping the window from opening.
            skipOnError([&] {
                if (const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime"))))
                    rotation.Longest = *ticks;
            });
            rotation.LongTime();
            return;
        }
    }
    if (lists_->count() > 0) cmdSaveSetup->setEnabled(true);
    rotation.LongTime();
}

void frmTray::tellStoreUnusable(const QString& reason) {
    const QString path = QDir::toNativeSeparators(databasePath());
    std::fputs(QStringLiteral("quorvane: the show list cannot be kept in %1: %2\n")
                   .arg(path, reason)
                   .toLocal8Bit()
                   .constData(),
               stderr);
    services_.prompter.message(
        QStringLiteral("The show list cannot be kept in\r\n%1\r\n(%2).\r\n\r\nIt starts "
                       "empty, and Save Setup will fail until this is mended.")
            .arg(path, reason),
        platform::Buttons::Ok, platform::Icon::Exclamation, QStringLiteral("Quorvane"), this);
}

void frmTray::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    RemoveTrayIcon();
    QCoreApplication::processEvents();
    if (lists_->count() == 0)
        skipOnError([&] { showlist::emptyStore(Data1); });
    else
        skipOnError([&] { showlist::recordWallPaper(Data1, rotation_->ShowingWallPaper); });
    rotation_->Timer1.stop();
}

void frmTray::cmdSaveSetup_Click() {
    rotation::Scheduler& rotation = *rotation_;
    try {
        showlist::writeShowList(Data1, *lists_);
        if (showlist::findPath(Data1, rotation.OldWallPaper)) {
            const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime")));
            if (!ticks) throw showlist::StoreError("unreadable display time");
            rotation.Longest = *ticks;
        } else if (Data1.RecordCount() > 0) {
            Data1.MoveFirst();
            rotation.OldWallPaper = Data1.Fields(QStringLiteral("Path")).value_or(QString());
            const auto ticks = showlist::toInt16(Data1.Fields(QStringLiteral("ViewTime")));
            if (!ticks) throw showlist::StoreError("unreadable display time");
            rotation.Longest = *ticks;
            cmdSaveSetup->setEnabled(true);
        } else {
            throw showlist::StoreError("the show list is empty");
        }
    } catch (const std::exception&) {
        services_.prompter.message(QStringLiteral("Error saving setup."), platform::Buttons::Ok,
                                   platform::Icon::Exclamation, QStringLiteral("Try Again"), this);
        return;
    }
    hideToTray(true);
    rotation.LongTime();
}

}  // namespace app
