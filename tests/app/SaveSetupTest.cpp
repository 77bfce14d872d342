#include <QListWidget>
#include <QPushButton>

#include "TrayWindowFixture.h"
#include "rotation/Scheduler.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::entry;
using testing_support::StoredRecord;
using testing_support::TrayWindowTest;

class SaveSetup : public TrayWindowTest {
protected:
    // Starts with an empty store, so the window is showing, then lists the given entries.
    void showWith(const std::vector<StoredRecord>& entries) {
        start();
        ASSERT_TRUE(tray->isVisible());
        for (const StoredRecord& e : entries)
            tray->showLists().append({*e.image, *e.path, *e.viewTime});
    }
    void expectError() {
        prompter.expectMessage("Error saving setup.", Buttons::Ok, Icon::Exclamation, "Try Again",
                               Answer::Ok);
    }
};

TEST_F(SaveSetup, StoresTheListInOrderAndGoesToTheTray) {
    const std::vector<StoredRecord> list = {entry("/w/A", "2"), entry("/w/B", "15"),
                                            entry("/w/C", "240")};
    showWith(list);
    tray->cmdSaveSetup->setEnabled(true);
    tray->cmdSaveSetup->click();
    EXPECT_EQ(stored(), list);
    EXPECT_FALSE(tray->isVisible());
    EXPECT_TRUE(tray->trayIcon().isPresent());
    EXPECT_TRUE(tray->hookInstalled());
    // Nothing was showing: the first entry becomes current, one step already counted.
    EXPECT_EQ(tray->rotation().OldWallPaper, "/w/A");
    EXPECT_EQ(tray->rotation().Longest, 1);
    EXPECT_TRUE(tray->rotation().Timer1.isActive());
    EXPECT_TRUE(setter.applied.isEmpty());
}

TEST_F(SaveSetup, TheShowingWallpaperStaysCurrentAfterAMoveWithItsFullTime) {
    showWith({entry("/w/A", "2"), entry("/w/B", "30"), entry("/w/C", "5")});
    tray->rotation().OldWallPaper = QStringLiteral("/w/B");
    tray->cmdSaveSetup_Click();
    EXPECT_EQ(tray->rotation().OldWallPaper, "/w/B");
    EXPECT_EQ(tray->Data1.Fields(QStringLiteral("Path")), QStringLiteral("/w/B"));
    EXPECT_EQ(tray->rotation().Longest, 29);
    // The rotation continues from there: C comes next.
    tray->rotation().Longest = 0;
    tray->rotation().Timer1_Timer();
    EXPECT_EQ(setter.applied, QStringList{"/w/C"});
}

TEST_F(SaveSetup, ADeletedShowingWallpaperMakesTheFirstEntryCurrent) {
    showWith({entry("/w/A", "10"), entry("/w/C", "5")});
    tray->rotation().OldWallPaper = QStringLiteral("/w/B");
    tray->cmdSaveSetup_Click();
    EXPECT_EQ(tray->rotation().OldWallPaper, "/w/A");
    EXPECT_EQ(tray->rotation().Longest, 9);
}

TEST_F(SaveSetup, OfTwoEqualPathsTheFirstBecomesCurrent) {
    showWith({entry("/w/X", "3"), entry("/w/D", "10"), entry("/w/D", "20")});
    tray->rotation().OldWallPaper = QStringLiteral("/w/D");
    tray->cmdSaveSetup_Click();
    EXPECT_EQ(tray->rotation().Longest, 9);
}

TEST_F(SaveSetup, AnEmptyListEmptiesTheStoreAndReportsAnError) {
    store({entry("/w/A", "2")});
    start();
    tray->Form_Activate();
    tray->RemoveTrayIcon();
    tray->show();
    tray->showLists().clear();
    expectError();
    tray->cmdSaveSetup_Click();
    EXPECT_TRUE(stored().empty());
    EXPECT_TRUE(tray->isVisible());
    EXPECT_FALSE(tray->trayIcon().isPresent());
}

TEST_F(SaveSetup, AnUnreadableDisplayTimeOnTheCurrentEntryReportsAnErrorAfterSaving) {
    showWith({entry("/w/A", "soon")});
    expectError();
    tray->cmdSaveSetup_Click();
    EXPECT_EQ(stored(), std::vector{entry("/w/A", "soon")});
    EXPECT_TRUE(tray->isVisible());
}

TEST_F(SaveSetup, AnUnusableStoreIsReportedAndLeftAsItWas) {
    const QString garbage = folder.write(QStringLiteral("ZARN.DAT"), QByteArray(2048, 'x'));
    showWith({entry("/w/A", "2")});
    expectError();
    tray->cmdSaveSetup_Click();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_EQ(testing_support::fileBytes(garbage), QByteArray(2048, 'x'));
}

TEST_F(SaveSetup, AFailureWhileWritingKeepsTheOldListWhole) {
    store({entry("/w/old1", "2"), entry("/w/old2", "2")});
    testing_support::executeSql(
        storePath(), QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON WALLPAPER WHEN "
                                    "NEW.Path = '/w/bad' BEGIN SELECT RAISE(ABORT, 'no'); END"));
    start();
    tray->RemoveTrayIcon();
    tray->show();
    tray->showLists().clear();
    tray->showLists().append({"new", "/w/new", "2"});
    tray->showLists().append({"bad", "/w/bad", "2"});
    expectError();
    tray->cmdSaveSetup_Click();
    EXPECT_EQ(stored(), (std::vector{entry("/w/old1", "2"), entry("/w/old2", "2")}));
}

}  // namespace
