#include "EditorFixture.h"

#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "editor/ImgAtrib.h"
#include "imaging/ImgX.h"
#include "support/ImageFiles.h"

namespace testing_support {

EditorTest::~EditorTest() { delete zarn.data(); }

editor::Zarn& EditorTest::start(std::function<std::unique_ptr<imaging::ImgX>()> makeImgX) {
    editor::EditorServices services{prompter,
                                    desktop,
                                    [this] { return selectedFile; },
                                    [this] { ++unloadedCount; },
                                    [this] { ++endProgramCount; },
                                    std::move(makeImgX),
                                    [this] { ++quitCount; },
                                    nullptr};
    zarn = new editor::Zarn(std::move(services));
    zarn->Form_Load();
    if (zarn->loaded()) zarn->show();
    return *zarn;
}

editor::Zarn& EditorTest::startWith(const QString& name) {
    document = writeImage(folder.path(), name, 40, 30);
    start();
    open(document);
    return *zarn;
}

void EditorTest::expectSomeErrorBox() {
    prompter.expectMessage([this] { return prompter.asked().back().text; }, platform::Buttons::Ok,
                           platform::Icon::Exclamation, QStringLiteral("ImgX"),
                           platform::Answer::Ok);
}

void EditorTest::open(const QString& path) {
    expectOpenDialog(path);
    zarn->mnuFileOpen_Click();
}

void EditorTest::expectOpenDialog(const QString& path) {
    prompter.expectOpenFile(QStringLiteral("Open"), platform::FileDialogResult{path, 1});
}

void EditorTest::answerOptions(std::function<void(editor::ImgAtrib&)> adjust, bool accept) {
    // The dialog runs its own event loop; it is answered from inside it.
    QTimer::singleShot(0, [this, adjust, accept] {
        editor::ImgAtrib* dialog = zarn->imgAtrib();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        if (adjust) adjust(*dialog);
        (accept ? dialog->btnOK : dialog->btnCancel)->click();
    });
}

void EditorTest::openMenu(QMenu* menu) { emit menu->aboutToShow(); }

void EditorTest::expectInformation(const QString& path, int width, int height, const QString& ratio,
                                   int colours) {
    prompter.expectMessage(
        [=] {
            const qint64 fileSize = QFileInfo(path).size();
            QString text = QStringLiteral(
                               "%1\r\n\r\nWidth : \t\t%2\r\nHeight :\t\t%3\r\n"
                               "Ratio  (W/H):\t%4\r\nColors :\t\t%5\r\n")
                               .arg(path)
                               .arg(width)
                               .arg(height)
                               .arg(ratio)
                               .arg(colours);
            if (fileSize > 99) text += QStringLiteral("File Size :\t\t%1").arg(fileSize);
            return text;
        },
        platform::Buttons::Ok, platform::Icon::Information, QStringLiteral("Image Data"),
        platform::Answer::Ok);
}

}  // namespace testing_support
