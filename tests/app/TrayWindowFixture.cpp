#include "TrayWindowFixture.h"

#include <QListWidget>

#include "app/basMain.h"
#include "rotation/Scheduler.h"

namespace testing_support {

namespace {

QStringList texts(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) result << list->item(i)->text();
    return result;
}

}  // namespace

StoredRecord entry(const QString& path, const QString& viewTime, showlist::FieldValue setup) {
    QString name = path.section(QLatin1Char('/'), -1);
    return {path, name, viewTime, std::move(setup)};
}

app::frmTray& TrayWindowTest::start(app::TrayMode mode, bool runMain) {
    tray = std::make_unique<app::frmTray>(app::TrayWindowServices{
        prompter, desktop, setter, rotation::kDefaultTickMs, mode, [this] { ++programEnded; }});
    if (runMain) app::Main(*tray);
    return *tray;
}

QStringList TrayWindowTest::showListNames() const { return texts(tray->ShowList); }
QStringList TrayWindowTest::pathsList() const { return texts(tray->HiddenList1); }
QStringList TrayWindowTest::timesList() const { return texts(tray->HiddenList2); }

}  // namespace testing_support
