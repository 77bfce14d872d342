#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSystemTrayIcon>

#include "TrayWindowFixture.h"
#include "app/TrayMenu.h"
#include "platform/Autostart.h"

namespace {

using namespace testing_support;

const QString kProgram = QStringLiteral("/opt/quorvane/bin/quorvane");
const QStringList kCaptions = {
    "&Next Wallpaper", "&Pause Rotation", "-", "&Open Quorvane", "Start at &Log-in", "-", "E&xit"};

// The window with its tray menu, the log-in entry kept in a configuration folder of the
// test's own.
class TrayMenuTest : public TrayWindowTest {
protected:
    void start() {
        tray = std::make_unique<app::frmTray>(app::TrayWindowServices{
            prompter, desktop, setter, rotation::kDefaultTickMs, app::TrayMode::SystemTray,
            [this] { ++programEnded; }, "recording", &autostart});
        app::Main(*tray);
    }

    // The menu the icon carries, as the desktop would show it.
    QMenu* menu() const { return tray->trayIcon().systemTrayIcon()->contextMenu(); }
    QAction* item(const char* name) const {
        QAction* action = menu()->findChild<QAction*>(name);
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    QStringList captions() const {
        QStringList all;
        for (const QAction* action : menu()->actions())
            all << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return all;
    }
    // Opens the menu, which reads what it shows afresh, and picks an item.
    void choose(const char* name) {
        emit menu()->aboutToShow();
        item(name)->trigger();
    }
    QString tip() const { return tray->trayIcon().systemTrayIcon()->toolTip(); }
    bool rotating() const { return tray->rotation().Timer1.isActive(); }

    QString entryPath() const { return config.filePath("autostart/quorvane.desktop"); }
    QByteArray entry() const {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    bool logInChecked() {
        emit menu()->aboutToShow();
        return item("mnuStartAtLogIn")->isChecked();
    }

    TempFolder config;
    QProcessEnvironment env = [this] {
        QProcessEnvironment e;
        e.insert("XDG_CONFIG_HOME", config.path());
        e.insert("HOME", config.path());
        return e;
    }();
    platform::Autostart autostart{kProgram, folder.path(), env};
};

TEST_F(TrayMenuTest, TheIconCarriesTheMenuInItsOrderWithTheRotationRunning) {
    store(records("A:2 B:5"));
    start();
    EXPECT_EQ(captions(), kCaptions);
    EXPECT_EQ(menu(), &tray->trayMenu().menu());
    EXPECT_TRUE(item("mnuStartAtLogIn")->isCheckable());
    emit menu()->aboutToShow();
    for (const char* name :
         {"mnuNextWallpaper", "mnuPauseRotation", "mnuOpen", "mnuStartAtLogIn", "mnuExit"})
        EXPECT_TRUE(item(name)->isEnabled()) << name;
    EXPECT_EQ(tip(), "Quorvane.");
}

// Each Next: the wallpaper applied, the display time loaded afresh and counting.
struct NextStep {
    QString applied;
    qint16 longest;
};

TEST_F(TrayMenuTest, NextWallpaperStepsAsAnEndedDisplayTimeDoesAndLeavesTheStoreAlone) {
    const auto list = records("A:2 B:5 C:7");
    store(list);
    start();                       // A counts as showing, B is the current record
    tray->rotation().Longest = 4;  // part of B's time left: Next does not wait for the rest
    for (const NextStep& step : {NextStep{"/w/C", 7}, NextStep{"/w/A", 2}, NextStep{"/w/B", 5}}) {
        choose("mnuNextWallpaper");
        EXPECT_EQ(setter.applied.constLast(), step.applied);
        EXPECT_EQ(tray->rotation().Longest, step.longest);
        EXPECT_EQ(tray->rotation().OldWallPaper, step.applied);
        EXPECT_EQ(tray->Data1.Fields("Path"), step.applied);
        EXPECT_TRUE(rotating());
        EXPECT_EQ(tray->rotation().Timer1.interval(), rotation::kDefaultTickMs);
    }
    EXPECT_EQ(setter.applied, (QStringList{"/w/C", "/w/A", "/w/B"}));
    EXPECT_EQ(stored(), list);
    // The step after it is the ordinary one.
    tickOver();
    EXPECT_EQ(setter.applied.constLast(), "/w/C");
}

TEST_F(TrayMenuTest, NextWallpaperIsOnlyOfferedWhileTheStoreHasRecords) {
    store({});
    start();
    emit menu()->aboutToShow();
    EXPECT_FALSE(item("mnuNextWallpaper")->isEnabled());
    item("mnuNextWallpaper")->trigger();
    EXPECT_TRUE(setter.applied.isEmpty());
    // Records written by another program show when the menu is next opened.
    store(records("A:3"));
    emit menu()->aboutToShow();
    EXPECT_TRUE(item("mnuNextWallpaper")->isEnabled());
}

TEST_F(TrayMenuTest, PauseStopsTheTicksKeepsTheCountdownAndNextStillSteps) {
    store(records("A:2 B:5 C:7"));
    start();
    tray->rotation().Longest = 1;
    choose("mnuPauseRotation");
    EXPECT_FALSE(rotating());
    EXPECT_EQ(tip(), "Quorvane. (paused)");
    EXPECT_EQ(item("mnuPauseRotation")->text(), "&Resume Rotation");
    EXPECT_EQ(captions().size(), kCaptions.size()) << "one item, its caption changed";
    EXPECT_EQ(tray->rotation().Longest, 1);
    EXPECT_EQ(tray->Data1.Fields("Path"), QString("/w/B"));

    choose("mnuNextWallpaper");
    EXPECT_EQ(setter.applied, QStringList{"/w/C"});
    EXPECT_EQ(tray->rotation().Longest, 7);
    EXPECT_FALSE(rotating()) << "Next re-armed a paused rotation";
    EXPECT_TRUE(tray->rotation().isPaused());

    choose("mnuPauseRotation");
    EXPECT_TRUE(rotating());
    EXPECT_EQ(tip(), "Quorvane.");
    EXPECT_EQ(item("mnuPauseRotation")->text(), "&Pause Rotation");
    EXPECT_EQ(tray->rotation().Longest, 7);
    EXPECT_EQ(setter.applied, QStringList{"/w/C"});
}

// Opening the window and going back to the tray, with the rotation paused or not: only the
// user's Resume lifts a pause.
class PauseAcrossTheWindow : public TrayMenuTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PauseAcrossTheWindow, OpeningAndSavingKeepThePauseTheUserChose) {
    const bool paused = GetParam();
    store(records("A:2:/w/B B:5 C:7"));
    start();
    if (paused) choose("mnuPauseRotation");
    choose("mnuOpen");
    expectTrayed(false);
    EXPECT_EQ(setter.applied, QStringList{"/w/B"}) << "opening re-applies the saved wallpaper";
    EXPECT_EQ(rotating(), !paused);
    tray->cmdSaveSetup->click();
    expectTrayed(true);
    EXPECT_EQ(rotating(), !paused);
    EXPECT_EQ(tray->rotation().isPaused(), paused);
    EXPECT_EQ(tip(), paused ? "Quorvane. (paused)" : "Quorvane.");
    EXPECT_EQ(item("mnuPauseRotation")->text(), paused ? "&Resume Rotation" : "&Pause Rotation");
    // A re-armed tick that finds the window hidden counts down as usual.
    if (!paused) {
        tickOver();
        EXPECT_EQ(setter.applied.constLast(), "/w/C");
    }
}

INSTANTIATE_TEST_SUITE_P(, PauseAcrossTheWindow, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Paused" : "Rotating"; });

TEST_F(TrayMenuTest, OpenDoesWhatTheDoubleClickDoes) {
    store(records("A:5:/w/B B:7 C:9"));
    start();
    tray->showLists().append({"unsaved", "/w/unsaved", "2"});
    choose("mnuOpen");
    expectTrayed(false);
    EXPECT_EQ(texts(tray->ShowList), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(setter.applied, QStringList{"/w/B"});
    EXPECT_EQ(tray->rotation().Longest, 6);
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
}

TEST_F(TrayMenuTest, ExitAsksAsTheWindowsExitDoesAndRecordsTheWallpaper) {
    const auto list = records("A:2 B:2 C:2");
    store(list);
    start();
    choose("mnuNextWallpaper");  // C becomes the wallpaper
    prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                           Answer::No);
    choose("mnuExit");
    EXPECT_EQ(programEnded, 0);
    expectTrayed(true);
    EXPECT_EQ(stored(), list);
    prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                           Answer::Yes);
    choose("mnuExit");
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(tray->trayIcon().isPresent());
    EXPECT_FALSE(rotating());
    EXPECT_EQ(stored(), records("A:2:/w/C B:2 C:2"));
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(TrayMenuTest, StartAtLogInWritesAndRemovesTheEntryAndSeesChangesFromOutside) {
    store(records("A:2"));
    start();
    EXPECT_FALSE(logInChecked());
    EXPECT_FALSE(QFile::exists(entryPath()));

    choose("mnuStartAtLogIn");
    EXPECT_TRUE(item("mnuStartAtLogIn")->isChecked());
    const QByteArray written = entry();
    EXPECT_TRUE(written.contains("[Desktop Entry]")) << written.toStdString();
    EXPECT_TRUE(written.contains(kProgram.toUtf8())) << written.toStdString();
    EXPECT_TRUE(written.contains(folder.path().toUtf8()))
        << "its --home: " << written.toStdString();
    EXPECT_EQ(autostart.state(), platform::AutostartState::On);

    choose("mnuStartAtLogIn");
    EXPECT_FALSE(item("mnuStartAtLogIn")->isChecked());
    EXPECT_FALSE(QFile::exists(entryPath()));

    // Made and removed from the command line while the program runs.
    platform::Autostart(kProgram, folder.path(), env).enable();
    EXPECT_TRUE(logInChecked());
    platform::Autostart(kProgram, folder.path(), env).disable();
    EXPECT_FALSE(logInChecked());
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(TrayMenuTest, AnotherProgramsEntryIsReplacedOnlyWhenTheUserSaysSo) {
    store(records("A:2"));
    start();
    const QByteArray other =
        "[Desktop Entry]\nType=Application\nName=Quorvane\n"
        "Exec=/usr/bin/quorvane\n";
    QDir().mkpath(config.filePath("autostart"));
    config.write("autostart/quorvane.desktop", other);
    EXPECT_FALSE(logInChecked());
    const QString question =
        "Another Quorvane starts at log-in:\r\n/usr/bin/quorvane\r\n\r\nStart this one instead?";

    prompter.expectMessage(question, Buttons::YesNo, Icon::Question, "Quorvane", Answer::No);
    choose("mnuStartAtLogIn");
    EXPECT_FALSE(item("mnuStartAtLogIn")->isChecked());
    EXPECT_EQ(entry(), other);

    prompter.expectMessage(question, Buttons::YesNo, Icon::Question, "Quorvane", Answer::Yes);
    choose("mnuStartAtLogIn");
    EXPECT_TRUE(item("mnuStartAtLogIn")->isChecked());
    EXPECT_TRUE(entry().contains(kProgram.toUtf8())) << entry().toStdString();
    EXPECT_FALSE(entry().contains("Exec=/usr/bin/quorvane\n"));
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(TrayMenuTest, AnEntryThatCannotBeWrittenSaysWhy) {
    store(records("A:2"));
    start();
    // A file where the autostart folder belongs.
    config.write("autostart", "not a folder");
    const auto reason = [this] {
        try {
            autostart.enable();
        } catch (const std::exception& error) {
            return QString::fromStdString(error.what());
        }
        return QStringLiteral("(it was written)");
    };
    prompter.expectMessage(reason, Buttons::Ok, Icon::Exclamation, "Quorvane", Answer::Ok);
    choose("mnuStartAtLogIn");
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_FALSE(item("mnuStartAtLogIn")->isChecked());
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_FALSE(prompter.asked()[0].text.isEmpty());
}

TEST_F(TrayMenuTest, WithoutALogInEntryToOfferTheItemIsDisabled) {
    store(records("A:2"));
    TrayWindowTest::start();
    emit menu()->aboutToShow();
    EXPECT_FALSE(item("mnuStartAtLogIn")->isEnabled());
    EXPECT_FALSE(item("mnuStartAtLogIn")->isChecked());
}

}  // namespace
