#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "TrayWindowFixture.h"
#include "rotation/Scheduler.h"

namespace {

using testing_support::entry;
using testing_support::TrayWindowTest;

class Startup : public TrayWindowTest {};

TEST_F(Startup, LoadFillsTheDisplayTimesAndDefaultsTo15) {
    start(app::TrayMode::SystemTray, false);
    QStringList items;
    for (int i = 0; i < tray->ComboTime->count(); ++i) items << tray->ComboTime->itemText(i);
    EXPECT_EQ(items, (QStringList{"2", "5", "10", "15", "30", "45", "60", "75", "90", "120", "180",
                                  "240"}));
    EXPECT_EQ(tray->ComboTime->currentText(), "15");
    EXPECT_EQ(tray->Label3->text(), "Minutes");
    EXPECT_EQ(tray->windowTitle(), "");
}

TEST_F(Startup, EveryControlCarriesItsNameCaptionAndTip) {
    start(app::TrayMode::SystemTray, false);
    struct Control {
        const char* name;
        QString caption;
        QString tip;
    };
    const std::vector<Control> buttons = {
        {"cmdNew", "&New Image", "Select New Image"},
        {"cmdDelete", "&Delete Image", "Delete from ShowList"},
        {"cmdMoveUp", "Move", "Move Image UP in ShowList"},
        {"cmdMoveDn", "Move", "Move Image DOWN in ShowList"},
        {"cmdSaveImg", "Save &Image", "Save Image to ShowList"},
        {"cmdSaveSetup", "Save &Setup", "Minimize to Tray & Enable"},
        {"Label1", "&Exit", "Click Here"},
        {"Label2", "&Help", "Click Here!"}};
    for (const Control& control : buttons) {
        auto* widget = tray->findChild<QAbstractButton*>(QLatin1String(control.name));
        ASSERT_NE(widget, nullptr) << control.name;
        EXPECT_EQ(widget->text(), control.caption) << control.name;
        EXPECT_EQ(widget->toolTip(), control.tip) << control.name;
    }
    for (const char* name : {"ShowList", "HiddenList1", "HiddenList2", "ComboTime", "Label3",
                             "Drive1", "Dir1", "File1", "picPreview"})
        EXPECT_NE(tray->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(tray->picPreview->toolTip(), "Double-Click here to use Image ToolBox");
    EXPECT_EQ(tray->picPreview->size(), QSize(276, 204));
    EXPECT_FALSE(tray->HiddenList1->isVisibleTo(tray.get()));
    EXPECT_FALSE(tray->HiddenList2->isVisibleTo(tray.get()));
}

TEST_F(Startup, AnEmptyStoreShowsTheWindowAndLeavesTheWallpaperAlone) {
    store({});
    start();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_TRUE(showListNames().isEmpty());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    EXPECT_FALSE(tray->trayIcon().isPresent());
    EXPECT_FALSE(tray->hookInstalled());
    EXPECT_TRUE(setter.applied.isEmpty());
}

TEST_F(Startup, AMissingStoreIsCreatedEmptyAndTheWindowShown) {
    start();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_TRUE(QFile::exists(storePath()));
    EXPECT_TRUE(stored().empty());
}

TEST_F(Startup, AnUnreadableStoreShowsTheWindowAndIsNotTouched) {
    const QString garbage = folder.write(QStringLiteral("ZARN.DAT"), QByteArray(3000, 'q'));
    start();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_TRUE(showListNames().isEmpty());
    EXPECT_EQ(testing_support::fileBytes(garbage), QByteArray(3000, 'q'));
}

// Where start-up puts the rotation cursor for a given saved wallpaper.
struct CursorCase {
    const char* name;
    showlist::FieldValue setup;
    std::vector<const char*> paths;
    QString expectedCurrent;
};

class StartupCursor : public Startup, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(StartupCursor, GoesOnePastTheSavedWallpaperIntoTheTray) {
    std::vector<testing_support::StoredRecord> records;
    for (const char* path : GetParam().paths) records.push_back(entry(QLatin1String(path), "2"));
    records[0].setup = GetParam().setup;
    store(records);
    start();
    EXPECT_FALSE(tray->isVisible());
    EXPECT_TRUE(tray->trayIcon().isPresent());
    EXPECT_TRUE(tray->hookInstalled());
    EXPECT_EQ(tray->rotation().OldWallPaper, GetParam().expectedCurrent);
    EXPECT_EQ(tray->Data1.Fields(QStringLiteral("Path")), GetParam().expectedCurrent);
    EXPECT_EQ(tray->rotation().Longest, 1);
    EXPECT_TRUE(tray->rotation().Timer1.isActive());
    EXPECT_TRUE(setter.applied.isEmpty()) << "start-up never changes the wallpaper";
    EXPECT_EQ(pathsList().size(), qsizetype(GetParam().paths.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupCursor,
    ::testing::Values(
        CursorCase{"NoSetupStartsFromFirstPath", std::nullopt, {"/w/A", "/w/B", "/w/C"}, "/w/B"},
        CursorCase{"EmptySetupStartsFromFirstPath", QString(""), {"/w/A", "/w/B", "/w/C"}, "/w/B"},
        CursorCase{"SavedMiddle", QString("/w/B"), {"/w/A", "/w/B", "/w/C"}, "/w/C"},
        CursorCase{"SavedLastWraps", QString("/w/C"), {"/w/A", "/w/B", "/w/C"}, "/w/A"},
        CursorCase{"SavedNoMatchTakesFirst", QString("/w/Z"), {"/w/A", "/w/B", "/w/C"}, "/w/A"},
        CursorCase{"CaseDiffersNoMatch", QString("/W/B"), {"/w/A", "/w/B", "/w/C"}, "/w/A"},
        CursorCase{"SingleRecordStays", std::nullopt, {"/w/A"}, "/w/A"},
        CursorCase{"DuplicatePathsFirstWins", QString("/w/D"), {"/w/D", "/w/X", "/w/D"}, "/w/X"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Startup, TheFirstChangeComesOnTheSecondTickShowingTwoPastTheSavedOne) {
    store({entry("/w/A", "2", QString("/w/A")), entry("/w/B", "2"), entry("/w/C", "2")});
    start();
    tray->rotation().Timer1_Timer();
    EXPECT_TRUE(setter.applied.isEmpty());
    tray->rotation().Timer1_Timer();
    EXPECT_EQ(setter.applied, QStringList{"/w/C"});
}

TEST_F(Startup, ActivationReloadsTheStoredListAndReappliesTheCurrentWallpaper) {
    // The wallpaper recorded at the last exit is the one activation re-applies.
    store({entry("/w/A", "5", QString("/w/B")), entry("/w/B", "7"), entry("/w/C", "9")});
    start();
    tray->showLists().append({"unsaved", "/w/unsaved", "2"});
    tray->Form_Activate();
    EXPECT_EQ(showListNames(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(timesList(), (QStringList{"5", "7", "9"}));
    EXPECT_EQ(setter.applied, QStringList{"/w/B"});
    EXPECT_EQ(tray->rotation().Longest, 6);
    EXPECT_EQ(tray->Data1.Fields(QStringLiteral("Image")), QStringLiteral("B"));
}

TEST_F(Startup, ActivationWithAnUnreadableDisplayTimeStillOpensTheWindow) {
    store({entry("/w/A", "five")});
    start();
    tray->rotation().Longest = 3;
    tray->Form_Activate();
    EXPECT_EQ(setter.applied, QStringList{"/w/A"});
    EXPECT_EQ(tray->rotation().Longest, 2);
}

TEST_F(Startup, ActivationWithoutAMatchEnablesSaveSetupForAListedStore) {
    store({entry("/w/A", "5")});
    start();
    tray->rotation().OldWallPaper = QStringLiteral("/nowhere");
    tray->Data1.MoveFirst();
    tray->Data1.Edit();
    tray->Data1.setField(QStringLiteral("Setup"), QStringLiteral("/nowhere"));
    tray->Data1.Update();
    tray->cmdSaveSetup->setEnabled(false);
    tray->Form_Activate();
    EXPECT_TRUE(setter.applied.isEmpty());
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
}

}  // namespace
