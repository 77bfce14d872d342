#include <QAction>
#include <QCoreApplication>
#include <QFile>

#include "EditorFixture.h"
#include "editor/AboutBox.h"
#include "imaging/ImgX.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;

using ProgramCommands = EditorTest;

const char* const kAbout =
    "Quorvane   v1.0\n"
    "Copyright (C) 2026 The Quorvane developers.\n"
    "All rights reserved.\n"
    "\n"
    "Compliments of:\n"
    "-   Tallowfen Screen Clock\n"
    "-   Brindlemark Photo Album\n"
    "-   Quillstone Font Browser";

TEST_F(ProgramCommands, AboutShowsTheBoxThenTheHelpForTheToolbox) {
    editor::Zarn& z = start();
    EXPECT_EQ(editor::aboutText(), kAbout);
    bool helpBeforeBoxClosed = false;
    prompter.expectMessage(
        [&] {
            helpBeforeBoxClosed = !desktop.helpOwners.empty();
            return QString::fromLatin1(kAbout);
        },
        Buttons::Ok, Icon::Information, "About Help...", Answer::Ok);
    z.menus().mnu_About->trigger();
    EXPECT_FALSE(helpBeforeBoxClosed);
    EXPECT_EQ(desktop.helpOwners, std::vector<QWidget*>{&z});
}

class DisplayProperties : public EditorTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DisplayProperties, StartsTheSettingsAndSaysSoWhenTheyCannotBeStarted) {
    const bool starts = GetParam();
    editor::Zarn& z = start();
    desktop.displaySettingsStart = starts;
    if (!starts)
        prompter.expectMessage(
            "The display settings could not be opened.\n\n"
            "No display settings program was found for this desktop.",
            Buttons::Ok, Icon::Exclamation, "Quorvane", Answer::Ok);
    z.menus().mnu_Disp->trigger();
    EXPECT_EQ(desktop.displaySettingsStarts, 1);
    EXPECT_TRUE(z.isVisible());
    EXPECT_EQ(quitCount + endProgramCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Starts, DisplayProperties, ::testing::Bool());

enum class SaveAs { NotAsked, Cancelled, Written };

struct QuitCase {
    const char* name;
    bool changed;
    Answer answer;  // to "... has changed."
    SaveAs saveAs;
    bool quits;
};

class Exit : public EditorTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(Exit, EndsTheProgramOnlyWhenTheToolboxCloses) {
    const QuitCase c = GetParam();
    editor::Zarn& z = startWith("cat.png");
    if (c.changed) {
        z.ImgX().effects().Flip(1, 0);
        prompter.expectMessage("cat.png has changed.\r\n\r\nWould you like to save it?",
                               Buttons::YesNoCancel, Icon::None, "ToolBox", c.answer);
    }
    const QString kept = folder.filePath("kept.bmp");
    if (c.saveAs == SaveAs::Cancelled) prompter.expectSaveFile("Save As", std::nullopt);
    if (c.saveAs == SaveAs::Written) {
        prompter.expectSaveFile("Save As", platform::FileDialogResult{kept, 1});
        answerOptions();
        expectInformation(kept, 40, 30, "1.333", 2);
    }
    z.menus().mnu_AllQuit->trigger();
    QCoreApplication::processEvents();  // the end runs from the event loop

    EXPECT_EQ(quitCount, c.quits ? 1 : 0);
    EXPECT_EQ(QFile::exists(kept), c.saveAs == SaveAs::Written);
    // On the way out the main window is not brought back first.
    EXPECT_EQ(unloadedCount, 0);
    EXPECT_EQ(!zarn.isNull() && zarn->isVisible(), !c.quits);
    if (c.quits) return;

    // Kept open, the toolbox closes as usual later and hands back to the main window.
    prompter.expectMessage("cat.png has changed.\r\n\r\nWould you like to save it?",
                           Buttons::YesNoCancel, Icon::None, "ToolBox", Answer::No);
    z.close();
    EXPECT_EQ(unloadedCount, 1);
    EXPECT_EQ(quitCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Exit,
    ::testing::Values(QuitCase{"Unchanged", false, Answer::Ok, SaveAs::NotAsked, true},
                      QuitCase{"No", true, Answer::No, SaveAs::NotAsked, true},
                      QuitCase{"YesAndWritten", true, Answer::Yes, SaveAs::Written, true},
                      QuitCase{"Cancel", true, Answer::Cancel, SaveAs::NotAsked, false},
                      QuitCase{"YesButSaveAsCancelled", true, Answer::Yes, SaveAs::Cancelled,
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
