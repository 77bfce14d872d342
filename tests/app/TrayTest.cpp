#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPointer>
#include <QPrinter>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <array>

#include "TrayWindowFixture.h"
#include "editor/AboutBox.h"
#include "editor/Zarn.h"
#include "operations/SetOL.h"
#include "support/UserInput.h"

namespace {

using namespace testing_support;

using Startup = TrayWindowTest;
using TrayShell = TrayWindowTest;

TEST_F(Startup, LoadBuildsEveryControlWithItsCaptionTipAndTheDisplayTimes) {
    start();
    QStringList times;
    for (int i = 0; i < tray->ComboTime->count(); ++i) times << tray->ComboTime->itemText(i);
    EXPECT_EQ(times, QString("2 5 10 15 30 45 60 75 90 120 180 240").split(' '));
    EXPECT_EQ(tray->ComboTime->currentText(), "15");
    EXPECT_EQ(tray->Label3->text(), "Minutes");
    EXPECT_EQ(tray->windowTitle(), "Quorvane");
    for (const auto& [name, caption, tip] : std::initializer_list<std::array<const char*, 3>>{
             {"cmdNew", "&New Image", "Select New Image"},
             {"cmdDelete", "&Delete Image", "Delete from ShowList"},
             {"cmdMoveUp", "Move", "Move Image UP in ShowList"},
             {"cmdMoveDn", "Move", "Move Image DOWN in ShowList"},
             {"cmdSaveImg", "Save &Image", "Save Image to ShowList"},
             {"cmdSaveSetup", "Save &Setup", "Minimize to Tray & Enable"},
             {"Label1", "&Exit", "Click Here"},
             {"Label2", "&Help", "Click Here!"}}) {
        auto* widget = tray->findChild<QAbstractButton*>(name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->text(), caption) << name;
        EXPECT_EQ(widget->toolTip(), tip) << name;
    }
    EXPECT_EQ(tray->picPreview->toolTip(), "Double-Click here to use Image ToolBox");
    EXPECT_EQ(tray->picPreview->size(), QSize(276, 204));
    EXPECT_FALSE(tray->HiddenList1->isVisibleTo(tray.get()));
    EXPECT_FALSE(tray->HiddenList2->isVisibleTo(tray.get()));
}

enum class NoList { EmptyStore, MissingStore, UnreadableStore };

class StartupWithoutAList : public Startup, public ::testing::WithParamInterface<NoList> {};

TEST_P(StartupWithoutAList, ShowsTheWindowAndLeavesTheWallpaperAndAnUnreadableStoreAlone) {
    if (GetParam() == NoList::EmptyStore) store({});
    if (GetParam() == NoList::UnreadableStore) {
        folder.write("ZARN.DAT", QByteArray(3000, 'q'));
        prompter.expectMessage("The show list cannot be kept in\r\n" + storePath() +
                                   "\r\n(cannot prepare a store query: file is not a "
                                   "database).\r\n\r\nIt starts empty, and Save Setup will fail "
                                   "until this is mended.",
                               Buttons::Ok, Icon::Exclamation, "Quorvane", Answer::Ok);
    }
    start();
    QCoreApplication::processEvents();  // what start-up has to say comes over the window
    EXPECT_TRUE(prompter.allAnswered());
    expectTrayed(false);
    EXPECT_TRUE(texts(tray->ShowList).isEmpty());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    EXPECT_TRUE(setter.applied.isEmpty());
    // Restoring a window that never went to the tray just shows it.
    tray->hide();
    tray->mnuRestore_Click();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    // An unload with the list empty empties the store, whatever it holds.
    if (GetParam() != NoList::UnreadableStore) {
        store(records("A:2"));
        tray->Data1.refresh();
    }
    tray->Form_Unload();
    tray->Form_Unload();  // runs once
    if (GetParam() == NoList::UnreadableStore)
        EXPECT_EQ(fileBytes(storePath()), QByteArray(3000, 'q'));
    else
        EXPECT_TRUE(stored().empty());
}

INSTANTIATE_TEST_SUITE_P(, StartupWithoutAList,
                         ::testing::Values(NoList::EmptyStore, NoList::MissingStore,
                                           NoList::UnreadableStore));

// Where start-up puts the rotation cursor for a given saved wallpaper.
struct CursorCase {
    const char* name;
    showlist::FieldValue setup;
    const char* list;
    QString expectedCurrent;
};

class StartupCursor : public Startup, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(StartupCursor, GoesOnePastTheSavedWallpaperIntoTheTray) {
    std::vector<StoredRecord> list = records(GetParam().list);
    list[0].setup = GetParam().setup;
    store(list);
    start();
    expectTrayed(true);
    EXPECT_EQ(tray->rotation().OldWallPaper, GetParam().expectedCurrent);
    EXPECT_EQ(tray->Data1.Fields("Path"), GetParam().expectedCurrent);
    EXPECT_EQ(tray->rotation().Longest, 1);
    EXPECT_TRUE(tray->rotation().Timer1.isActive());
    EXPECT_TRUE(setter.applied.isEmpty()) << "start-up never changes the wallpaper";
    EXPECT_EQ(texts(tray->HiddenList1).size(), qsizetype(list.size()));
}

INSTANTIATE_TEST_SUITE_P(
    , StartupCursor,
    ::testing::Values(CursorCase{"NoSetupStartsFromFirstPath", std::nullopt, "A:2 B:2 C:2", "/w/B"},
                      CursorCase{"SavedMiddle", "/w/B", "A:2 B:2 C:2", "/w/C"},
                      CursorCase{"SavedLastWraps", "/w/C", "A:2 B:2 C:2", "/w/A"},
                      CursorCase{"SavedNoMatchTakesFirst", "/w/Z", "A:2 B:2 C:2", "/w/A"},
                      CursorCase{"DuplicatePathsFirstWins", "/w/D", "D:2 X:2 D:2", "/w/X"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Startup, ActivationWithAnUnreadableDisplayTimeStillOpensTheWindow) {
    store(records("A:five"));
    start();
    tray->rotation().Longest = 3;
    tray->Form_Activate();
    EXPECT_EQ(setter.applied, QStringList{"/w/A"});
    EXPECT_EQ(tray->rotation().Longest, 2);
}

TEST_F(Startup, ActivationWithoutAMatchEnablesSaveSetupForAListedStore) {
    store(records("A:5:/nowhere"));
    start();
    tray->cmdSaveSetup->setEnabled(false);
    tray->Form_Activate();
    EXPECT_TRUE(setter.applied.isEmpty());
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
}

struct ActivationCase {
    app::TrayMode mode;
    QSystemTrayIcon::ActivationReason reason;
    bool restores;
};

class TrayActivation : public TrayShell, public ::testing::WithParamInterface<ActivationCase> {};

TEST_P(TrayActivation, RestoresTheWindowOnlyOnADoubleClickReloadingAndReapplyingTheStore) {
    const auto eventEnablesSaveSetup = [this] {
        tray->cmdSaveSetup->setEnabled(false);
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(tray.get(), &event);
        return tray->cmdSaveSetup->isEnabled();
    };
    // The wallpaper recorded at the last exit is the one activation re-applies.
    store(records("A:5:/w/B B:7 C:9"));
    start(GetParam().mode);
    QSystemTrayIcon* icon = tray->trayIcon().systemTrayIcon();
    EXPECT_EQ(icon->toolTip(), "Quorvane.");
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_EQ(icon->icon().cacheKey(), tray->windowIcon().cacheKey());
    tray->showLists().append({"unsaved", "/w/unsaved", "2"});
    emit icon->activated(GetParam().reason);
    expectTrayed(!GetParam().restores);
    if (!GetParam().restores) {
        EXPECT_TRUE(setter.applied.isEmpty());
        // Every event the hidden window receives enables Save Setup, until the hook, put in
        // once however often the icon is added, goes with one removal.
        EXPECT_TRUE(eventEnablesSaveSetup());
        tray->AddTrayIcon();
        tray->RemoveTrayIcon();
        EXPECT_FALSE(tray->hookInstalled());
        EXPECT_FALSE(eventEnablesSaveSetup());
        return;
    }
    EXPECT_EQ(texts(tray->ShowList), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(texts(tray->HiddenList2), (QStringList{"5", "7", "9"}));
    EXPECT_EQ(setter.applied, QStringList{"/w/B"});
    EXPECT_EQ(tray->Data1.Fields("Image"), QString("B"));
    EXPECT_EQ(tray->rotation().Longest, 6);
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    // The next tick finds the window showing and pauses the rotation.
    tray->rotation().Timer1_Timer();
    EXPECT_FALSE(tray->rotation().Timer1.isActive());
    EXPECT_EQ(setter.applied.size(), 1);
    // A double click on the preview swaps the window for the toolbox, and back.
    doubleClick(tray->picPreview, QPoint(10, 10));
    ASSERT_NE(tray->toolbox(), nullptr);
    EXPECT_TRUE(tray->toolbox()->isVisible());
    EXPECT_FALSE(tray->isVisible());
    EXPECT_EQ(tray->toolbox()->windowTitle(), "  Image ToolBox");
    tray->toolbox()->close();
    EXPECT_TRUE(tray->isVisible());
    EXPECT_TRUE(tray->picPreview->toolTip().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    , TrayActivation,
    ::testing::Values(
        ActivationCase{app::TrayMode::SystemTray, QSystemTrayIcon::DoubleClick, true},
        ActivationCase{app::TrayMode::SystemTray, QSystemTrayIcon::Trigger, false},
        ActivationCase{app::TrayMode::SystemTray, QSystemTrayIcon::Context, false},
        ActivationCase{app::TrayMode::SystemTray, QSystemTrayIcon::MiddleClick, false},
        // Where the tray only reports activation, it stands for the double click.
        ActivationCase{app::TrayMode::ActivationIsDoubleClick, QSystemTrayIcon::Trigger, true}));

TEST_F(TrayShell, WithoutATrayTheWindowIsMinimisedAndCountsAsHidden) {
    store(records("A:0 B:0"));
    start(app::TrayMode::MinimizeInstead);
    EXPECT_TRUE(tray->isMinimized());
    EXPECT_FALSE(tray->isShowing());
    EXPECT_TRUE(tray->hookInstalled());
    EXPECT_TRUE(setter.applied.isEmpty()) << "minimising is not an activation";
    tickOver();
    ASSERT_EQ(setter.applied.size(), 1) << "the rotation goes on while minimised";
    tray->close();  // unloads, recording the wallpaper, and ends the program
    EXPECT_EQ(programEnded, 1);
    EXPECT_EQ(stored().at(0).setup, setter.applied[0]);
}

TEST_F(TrayShell, ExitAnsweredNoChangesNothingAnsweredYesRecordsTheWallpaperAndEnds) {
    const auto list = records("A:2 B:2 C:2");
    store(list);
    start();
    tickOver();  // C becomes the wallpaper
    prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                           Answer::No);
    tray->Label1->click();
    EXPECT_EQ(programEnded, 0);
    EXPECT_EQ(stored(), list);
    prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                           Answer::Yes);
    tray->Label1->click();
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(tray->trayIcon().isPresent());
    EXPECT_FALSE(tray->rotation().Timer1.isActive());
    EXPECT_EQ(stored(), records("A:2:/w/C B:2 C:2"));
}

// Runs of the program one after another on one store, each ended with Exit after the given
// number of changes; the wallpaper recorded after each run.
struct RestartCase {
    const char* name;
    std::vector<int> changesPerRun;
    QStringList recorded;
    QStringList applied;
};

class Restarts : public TrayWindowTest, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(Restarts, RecordTheWallpaperThatIsShowingSoShortRunsSkipNothing) {
    store(records("A:2:/w/B B:2 C:2 D:2 E:2 F:2"));
    QStringList recorded;
    for (const int changes : GetParam().changesPerRun) {
        start();
        for (int i = 0; i < changes; ++i) tickOver();
        prompter.expectMessage("Disable Quorvane?", Buttons::YesNo, Icon::Question, "Unloading ...",
                               Answer::Yes);
        tray->Label1->click();
        tray.reset();
        recorded << stored().at(0).setup.value_or("(null)");
    }
    EXPECT_EQ(recorded, GetParam().recorded);
    EXPECT_EQ(setter.applied, GetParam().applied);
}

INSTANTIATE_TEST_SUITE_P(
    , Restarts,
    ::testing::Values(
        RestartCase{"RunsWithoutAChange", {0, 0, 0, 0}, {"/w/B", "/w/B", "/w/B", "/w/B"}, {}},
        // Start-up puts the cursor one past the saved wallpaper, so a run's first change
        // shows the record after that.
        RestartCase{"OneChangeThenShortRuns", {1, 0, 0}, {"/w/D", "/w/D", "/w/D"}, {"/w/D"}},
        RestartCase{"EveryRunChanges", {2, 1}, {"/w/E", "/w/A"}, {"/w/D", "/w/E", "/w/A"}}),
    [](const auto& info) { return std::string(info.param.name); });

// What the store held (none: it is unusable), what the window lists and the wallpaper showing,
// then the wallpaper made current (none: an error) with its time left and the one after it.
struct SaveCase {
    const char *name, *before, *list, *showing, *current;
    int longestLeft;
    const char* next;
};

class SaveSetupList : public TrayWindowTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveSetupList, StoresTheListAndRotatesOnFromTheShowingWallpaperInTheTrayOrSaysWhy) {
    const SaveCase& c = GetParam();
    if (c.before)
        store(records(c.before));
    else
        folder.write("ZARN.DAT", QByteArray(2048, 'x'));
    edit(c.list);
    tray->rotation().OldWallPaper = c.showing;
    if (!c.current)
        prompter.expectMessage("Error saving setup.", Buttons::Ok, Icon::Exclamation, "Try Again",
                               Answer::Ok);
    tray->cmdSaveSetup->setEnabled(true);
    tray->cmdSaveSetup->click();
    if (c.before)
        EXPECT_EQ(stored(), records(c.list));
    else
        EXPECT_EQ(fileBytes(storePath()), QByteArray(2048, 'x'));
    expectTrayed(c.current != nullptr);
    if (!c.current) return;
    EXPECT_EQ(tray->rotation().OldWallPaper, c.current);
    EXPECT_EQ(tray->Data1.Fields("Path"), QString(c.current));
    EXPECT_EQ(tray->rotation().Longest, c.longestLeft);
    EXPECT_TRUE(tray->rotation().Timer1.isActive());
    EXPECT_TRUE(setter.applied.isEmpty());
    tickOver();
    EXPECT_EQ(setter.applied, QStringList{c.next});
}

// The current entry's time is already one step down when the rotation starts; the list is
// saved before that time is read.
INSTANTIATE_TEST_SUITE_P(
    , SaveSetupList,
    ::testing::Values(
        SaveCase{"NothingShowingTakesTheFirst", "", "A:2 B:15 C:240", "", "/w/A", 1, "/w/B"},
        SaveCase{"TheShowingOneStaysCurrentAfterAMove", "", "A:2 B:30 C:5", "/w/B", "/w/B", 29,
                 "/w/C"},
        SaveCase{"ADeletedShowingOneTakesTheFirst", "", "A:10 C:5", "/w/B", "/w/A", 9, "/w/C"},
        SaveCase{"OfTwoEqualPathsTheFirst", "", "X:3 D:10 D:20", "/w/D", "/w/D", 9, "/w/D"},
        SaveCase{"AnEmptyListEmptiesTheStoreAndFails", "A:2", "", "", nullptr, 0, nullptr},
        SaveCase{"AnUnreadableDisplayTimeFails", "", "A:soon", "", nullptr, 0, nullptr},
        SaveCase{"AnUnusableStoreIsLeftAsItWasAndFails", nullptr, "A:2", "", nullptr, 0, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

using namespace testing_support;

using AboutAndQuit = TrayWindowTest;

TEST_F(AboutAndQuit, HelpShowsTheAboutBoxThenTheHelpForTheMainWindow) {
    start();
    prompter.expectMessage(editor::aboutText(), Buttons::Ok, Icon::Information, "Help About...",
                           Answer::Ok);
    tray->Label2->click();
    EXPECT_EQ(desktop.helpOwners, std::vector<QWidget*>{tray.get()});
}

TEST_F(AboutAndQuit, TheToolboxesShareOnePrinterAndTheOverlayChoicesForTheRun) {
    start();
    doubleClick(tray->picPreview, QPoint(10, 10));
    editor::Zarn* toolbox = tray->toolbox();
    ASSERT_NE(toolbox, nullptr);
    EXPECT_FALSE(tray->isVisible());
    QPrinter* first = &toolbox->printer();
    // Mix on an empty toolbox asks for a canvas colour first; the choices made in its dialog
    // are the run's.
    prompter.expectColor("Select canvas color", std::nullopt);
    toolbox->menus().mnu_Mix->trigger();
    toolbox->overlayDialog()->Check1->click();
    prompter.expectOpenFile("Open", platform::FileDialogResult{"/pictures/boat.png", 1});
    toolbox->overlayDialog()->opt400->click();
    EXPECT_TRUE(toolbox->placement.OverlayArmed);
    delete toolbox;

    doubleClick(tray->picPreview, QPoint(10, 10));
    toolbox = tray->toolbox();
    ASSERT_NE(toolbox, nullptr);
    EXPECT_EQ(&toolbox->printer(), first);
    const operations::PlacementSettings& kept = toolbox->placement;
    EXPECT_FALSE(kept.OverlayArmed) << "a new toolbox starts disarmed";
    EXPECT_TRUE(kept.OverlayTransparent);
    EXPECT_EQ(kept.OverlaySize, 3);
    EXPECT_EQ(kept.OverlayFile, "/pictures/boat.png");
    prompter.expectColor("Select canvas color", std::nullopt);
    toolbox->menus().mnu_Mix->trigger();
    EXPECT_TRUE(toolbox->overlayDialog()->Check1->isChecked());
    delete toolbox;
}

struct QuitCase {
    const char* name;
    bool changed;      // the toolbox holds a pasted, unsaved picture
    Answer answer;     // to "New Image has changed."
    bool emptiedList;  // the show list was emptied on the main window
    bool ends;
};

class QuitFromToolbox : public TrayWindowTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(QuitFromToolbox, EndsTheProgramAsTheMainWindowsExitDoesUnlessTheToolboxStays) {
    const QuitCase c = GetParam();
    store(records("A:2 B:2 C:2"));
    start();
    doubleClick(tray->picPreview, QPoint(10, 10));
    QPointer<editor::Zarn> toolbox = tray->toolbox();
    ASSERT_NE(toolbox, nullptr);
    const auto before = stored();
    tickOver();  // the rotation has moved on while the toolbox was open
    ASSERT_EQ(setter.applied.last(), "/w/B");
    if (c.emptiedList) tray->showLists().clear();
    if (c.changed) {
        QApplication::clipboard()->setImage(QImage(8, 8, QImage::Format_RGB32));
        toolbox->menus().mnuEditPaste->trigger();
        prompter.expectMessage("New Image has changed.\r\n\r\nWould you like to save it?",
                               Buttons::YesNoCancel, Icon::None, "ToolBox", c.answer);
    }
    toolbox->menus().mnu_AllQuit->trigger();
    QCoreApplication::processEvents();  // the end runs from the event loop

    EXPECT_EQ(programEnded, c.ends ? 1 : 0);
    EXPECT_EQ(!toolbox.isNull() && toolbox->isVisible(), !c.ends);
    EXPECT_FALSE(tray->isVisible());
    EXPECT_FALSE(tray->trayIcon().isPresent());
    if (!c.ends) {
        EXPECT_EQ(stored(), before);
        EXPECT_TRUE(tray->rotation().Timer1.isActive());
        delete toolbox.data();
    } else if (c.emptiedList) {
        EXPECT_TRUE(stored().empty());
    } else {
        EXPECT_EQ(stored(), records("A:2:/w/B B:2 C:2"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, QuitFromToolbox,
    ::testing::Values(QuitCase{"Unchanged", false, Answer::Ok, false, true},
                      QuitCase{"ChangesGivenUp", true, Answer::No, false, true},
                      QuitCase{"Cancelled", true, Answer::Cancel, false, false},
                      QuitCase{"EmptyShowList", false, Answer::Ok, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
