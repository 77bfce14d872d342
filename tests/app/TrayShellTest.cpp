#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include "editor/Zarn.h"

#include "TrayWindowFixture.h"
#include "rotation/Scheduler.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::entry;
using testing_support::TrayWindowTest;

class TrayShell : public TrayWindowTest {
protected:
    void activate(QSystemTrayIcon::ActivationReason reason) {
        emit tray->trayIcon().systemTrayIcon()->activated(reason);
    }
    void expectExitQuestion(Answer answer) {
        prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                               answer);
    }
};

TEST_F(TrayShell, TheIconCarriesTheTipAndTheWindowsIcon) {
    store({entry("/w/A", "2")});
    start();
    QSystemTrayIcon* icon = tray->trayIcon().systemTrayIcon();
    EXPECT_EQ(icon->toolTip(), "Quorvane.");
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_EQ(icon->icon().cacheKey(), tray->windowIcon().cacheKey());
}

TEST_F(TrayShell, ADoubleClickRestoresTheWindowWithTheStoredList) {
    store({entry("/w/A", "5", QString("/w/A")), entry("/w/B", "7")});
    start();
    activate(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(tray->isVisible());
    EXPECT_FALSE(tray->trayIcon().isPresent());
    EXPECT_FALSE(tray->hookInstalled());
    EXPECT_EQ(showListNames(), (QStringList{"A", "B"}));
    EXPECT_EQ(setter.applied, QStringList{"/w/A"});
    EXPECT_EQ(tray->rotation().Longest, 4);
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    // The next tick finds the window showing and pauses the rotation.
    tray->rotation().Timer1_Timer();
    EXPECT_FALSE(tray->rotation().Timer1.isActive());
    EXPECT_EQ(setter.applied.size(), 1);
}

class IgnoredActivation : public TrayShell,
                          public ::testing::WithParamInterface<QSystemTrayIcon::ActivationReason> {
};

TEST_P(IgnoredActivation, LeavesTheProgramInTheTray) {
    store({entry("/w/A", "2")});
    start(app::TrayMode::SystemTray);
    activate(GetParam());
    EXPECT_FALSE(tray->isVisible());
    EXPECT_TRUE(tray->trayIcon().isPresent());
    EXPECT_TRUE(setter.applied.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Reasons, IgnoredActivation,
                         ::testing::Values(QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                                           QSystemTrayIcon::MiddleClick));

TEST_F(TrayShell, WhereTheTrayOnlyReportsActivationItStandsForTheDoubleClick) {
    store({entry("/w/A", "2")});
    start(app::TrayMode::ActivationIsDoubleClick);
    activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(tray->isVisible());
    EXPECT_FALSE(tray->trayIcon().isPresent());
}

TEST_F(TrayShell, WithoutATrayTheWindowIsMinimisedAndCountsAsHidden) {
    store({entry("/w/A", "0"), entry("/w/B", "0")});
    start(app::TrayMode::MinimizeInstead);
    EXPECT_TRUE(tray->isMinimized());
    EXPECT_FALSE(tray->isShowing());
    EXPECT_TRUE(tray->hookInstalled());
    EXPECT_TRUE(setter.applied.isEmpty()) << "minimising is not an activation";
    tray->rotation().Longest = 0;
    tray->rotation().Timer1_Timer();
    EXPECT_EQ(setter.applied.size(), 1) << "the rotation goes on while minimised";
}

TEST_F(TrayShell, EveryEventTheHiddenWindowReceivesEnablesSaveSetup) {
    store({entry("/w/A", "2")});
    start();
    tray->cmdSaveSetup->setEnabled(false);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(tray.get(), &event);
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
}

TEST_F(TrayShell, TheHookIsNeverInstalledTwice) {
    store({entry("/w/A", "2")});
    start();
    tray->AddTrayIcon();
    tray->RemoveTrayIcon();
    EXPECT_FALSE(tray->hookInstalled());
    tray->cmdSaveSetup->setEnabled(false);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(tray.get(), &event);
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled()) << "one removal must take the hook away";
}

TEST_F(TrayShell, RestoreWithoutEverEnteringTheTrayJustShowsTheWindow) {
    store({});
    start();
    tray->hide();
    tray->mnuRestore_Click();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
}

TEST_F(TrayShell, ExitAnsweredNoChangesNothing) {
    store({entry("/w/A", "2"), entry("/w/B", "2")});
    start();
    tray->Form_Activate();
    const auto before = stored();
    expectExitQuestion(Answer::No);
    tray->Label1_Click();
    EXPECT_EQ(programEnded, 0);
    EXPECT_EQ(stored(), before);
}

TEST_F(TrayShell, ExitAnsweredYesRecordsTheWallpaperAndEndsTheProgram) {
    store({entry("/w/A", "2"), entry("/w/B", "2"), entry("/w/C", "2")});
    start();
    tray->rotation().Longest = 0;
    tray->rotation().Timer1_Timer();  // C becomes the wallpaper
    expectExitQuestion(Answer::Yes);
    tray->Label1_Click();
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(tray->trayIcon().isPresent());
    EXPECT_FALSE(tray->rotation().Timer1.isActive());
    auto expected =
        std::vector{entry("/w/A", "2", QString("/w/C")), entry("/w/B", "2"), entry("/w/C", "2")};
    EXPECT_EQ(stored(), expected);
}

TEST_F(TrayShell, ExitWithAnEmptyListEmptiesTheStore) {
    store({entry("/w/A", "2"), entry("/w/B", "2")});
    start();
    tray->showLists().clear();
    expectExitQuestion(Answer::Yes);
    tray->Label1_Click();
    EXPECT_TRUE(stored().empty());
}

TEST_F(TrayShell, UnloadRunsOnceAndSurvivesAnUnreadableStore) {
    const QString garbage = folder.write(QStringLiteral("ZARN.DAT"), "garbage");
    start();
    tray->Form_Unload();
    tray->Form_Unload();
    EXPECT_EQ(testing_support::fileBytes(garbage), QByteArray("garbage"));
}

TEST_F(TrayShell, ClosingTheWindowUnloadsAndEndsTheProgram) {
    store({entry("/w/A", "2")});
    start();
    tray->show();
    tray->close();
    EXPECT_EQ(programEnded, 1);
    EXPECT_EQ(stored().at(0).setup, QStringLiteral("/w/A"));
}

}  // namespace

namespace {

TEST_F(TrayShell, ADoubleClickOnThePreviewSwapsTheWindowForTheToolboxAndBack) {
    store({entry("/w/A", "5")});
    start();
    tray->mnuRestore_Click();
    QTest::mouseDClick(tray->picPreview, Qt::LeftButton);
    ASSERT_NE(tray->toolbox(), nullptr);
    EXPECT_TRUE(tray->toolbox()->isVisible());
    EXPECT_FALSE(tray->isVisible());
    EXPECT_EQ(tray->toolbox()->windowTitle(), "  Image ToolBox");

    tray->toolbox()->close();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_TRUE(tray->picPreview->toolTip().isEmpty());
}

}  // namespace
