#pragma once

#include <gtest/gtest.h>

#include <QPrinter>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

#include "editor/ImageView.h"
#include "editor/ImgAtrib.h"
#include "editor/Zarn.h"
#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "imaging/codecs/Codecs.h"
#include "support/FixedDesktop.h"
#include "support/ImageFiles.h"
#include "support/QtPrinting.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/UserInput.h"

namespace testing_support {

using namespace platform;

inline QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The editor on the offscreen platform with a scripted prompter and a 1024 x 768 screen.
class EditorTest : public ::testing::Test {
protected:
    ~EditorTest() override { delete zarn.data(); }

    editor::Zarn& start(std::function<std::unique_ptr<imaging::ImgX>()> makeImgX = {}) {
        zarn = new editor::Zarn({prompter, desktop, placement, [this] { return selectedFile; },
                                 [this] { ++unloadedCount; }, [this] { ++endProgramCount; },
                                 std::move(makeImgX), [this] { ++quitCount; }, nullptr});
        zarn->Form_Load();
        if (zarn->loaded()) {
            zarn->show();
            // The window system's activation must not land in the middle of the test.
            static_cast<void>(QTest::qWaitForWindowActive(zarn.data()));
        }
        return *zarn;
    }
    // Starts the editor with a 40 x 30 image file of that name opened; `document` is its path.
    editor::Zarn& startWith(const QString& name) {
        document = writeImage(folder.path(), name, 40, 30);
        open(document);
        return *zarn;
    }
    // Starts the editor with `picture` as if pasted, the mouse armed by a double click.
    editor::Zarn& startWithPicture(const QImage& picture) {
        start().ImgX().canvas().LoadFromPicture(picture, 0);
        doubleClick(view(), QPoint(1, 1));
        return *zarn;
    }
    QString saved(const QString& name, QSize size, const QColor& colour) {
        return filled(size, colour).save(folder.filePath(name)), folder.filePath(name);
    }
    QRgb pixel(int x, int y) const { return zarn->ImgX().image().pixel(x, y); }
    QWidget* view() { return &zarn->view(); }
    void drag(QPoint from, QPoint to, bool release = true) {
        QTest::mousePress(view(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view(), to);
        if (release) QTest::mouseRelease(view(), Qt::LeftButton, {}, to);
    }
    void rightClickAfterHover(QPoint at) {
        QTest::mouseMove(view(), at);
        QTest::mouseClick(view(), Qt::RightButton, {}, at);
    }
    // The names of the enabled items of `items`, after `opened` (if any) was opened.
    QString enabled(const QList<QAction*>& items, QMenu* opened = nullptr) {
        if (opened) emit opened->aboutToShow();
        QStringList names;
        for (QAction* item : items)
            if (item->isEnabled() && !item->isSeparator()) names << item->objectName();
        return names.join(' ');
    }
    void expectBox(const QString& text, const QString& title, Icon icon = Icon::Exclamation) {
        prompter.expectMessage(text, Buttons::Ok, icon, title, Answer::Ok);
    }
    // A box whose text depends on the file system; tests check it afterwards.
    void expectSomeBox(const QString& title, Icon icon = Icon::Exclamation) {
        prompter.expectMessage([this] { return prompter.asked().back().text; }, Buttons::Ok, icon,
                               title, Answer::Ok);
    }
    void expectAnother(Answer answer) {
        prompter.expectMessage("Insert additional images?", Buttons::YesNo, Icon::Question,
                               "Another?", answer);
    }
    // Through File > Open, starting the editor first if need be.
    void open(const QString& path) {
        expectOpenDialog(path);
        (zarn ? *zarn : start()).menus().mnuFileOpen->trigger();
    }
    void expectOpenDialog(const QString& path, const QString& title = "Open") {
        prompter.expectOpenFile(title, FileDialogResult{path, 1});
    }
    // Answers the options dialog of the next Save As from inside its own event loop: `adjust`
    // may change its controls, then OK (or Cancel when `accept` is false) is pressed.
    void answerOptions(std::function<void(editor::ImgAtrib&)> adjust = {}, bool accept = true) {
        QTimer::singleShot(0, [this, adjust, accept] {
            editor::ImgAtrib* dialog = zarn->imgAtrib();
            ASSERT_TRUE(dialog && dialog->isVisible());
            if (adjust) adjust(*dialog);
            (accept ? dialog->btnOK : dialog->btnCancel)->click();
        });
    }
    // The image information box that Save As shows at its end, for a 40 x 30 image and the
    // file at `path` as it is then.
    void expectInformation(const QString& path, int colours) {
        const auto text = [=] {
            const qint64 size = QFileInfo(path).size();
            return QString(
                       "%1\r\n\r\nWidth : \t\t40\r\nHeight :\t\t30\r\nRatio  (W/H):\t1.333\r\n"
                       "Colors :\t\t%2\r\n%3")
                .arg(path, QString::number(colours),
                     size > 99 ? "File Size :\t\t" + QString::number(size) : QString());
        };
        prompter.expectMessage(text, Buttons::Ok, Icon::Information, "Image Data", Answer::Ok);
    }
    void expectChangedQuestion(const QString& name, Answer answer) {
        prompter.expectMessage(name + " has changed.\r\n\r\nWould you like to save it?",
                               Buttons::YesNoCancel, Icon::None, "ToolBox", answer);
    }

    TempFolder folder;
    ScriptedPrompter prompter;
    FixedDesktop desktop{folder.path()};
    QString selectedFile, document;
    int unloadedCount = 0, endProgramCount = 0, quitCount = 0;
    // Outlives each editor, as the main window's does.
    operations::PlacementSettings placement;
    QPointer<editor::Zarn> zarn;
};

}  // namespace testing_support
