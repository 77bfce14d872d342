#pragma once

#include <gtest/gtest.h>

#include <QPointer>
#include <functional>

#include "editor/Zarn.h"
#include "support/FixedDesktop.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

namespace testing_support {

// The editor on the offscreen platform with a scripted prompter and a 1024 x 768 screen.
class EditorTest : public ::testing::Test {
protected:
    ~EditorTest() override;

    // Makes the editor, runs its load and shows it.
    editor::Zarn& start(std::function<std::unique_ptr<imaging::ImgX>()> makeImgX = {});
    // Starts the editor with a 40 x 30 image file of that name opened; `document` is its path.
    editor::Zarn& startWith(const QString& name);
    // A full error box whose description names a path; tests check its number afterwards.
    void expectSomeErrorBox();
    // Opens `path` through File > Open; answers the open dialog with it.
    void open(const QString& path);
    // The open dialog's answer alone, for tests that script what follows it before the click.
    void expectOpenDialog(const QString& path);
    // Answers the options dialog of the next Save As: `adjust` may change its controls, then
    // OK (or Cancel when `accept` is false) is pressed.
    void answerOptions(std::function<void(editor::ImgAtrib&)> adjust = {}, bool accept = true);
    // Opens a top-level menu as the user would, so its enabling handler runs.
    void openMenu(QMenu* menu);
    // The image information box that Save As shows at its end, for the file at `path` as it
    // is then. Sizes below 1,000 pixels, so the test does not depend on the locale's grouping.
    void expectInformation(const QString& path, int width, int height, const QString& ratio,
                           int colours);

    TempFolder folder;
    ScriptedPrompter prompter;
    FixedDesktop desktop{folder.path()};
    QString selectedFile;
    QString document;
    int unloadedCount = 0;
    int endProgramCount = 0;
    int quitCount = 0;
    QPointer<editor::Zarn> zarn;
};

}  // namespace testing_support
