#include <qpa/qplatformdrag.h>
#include <qpa/qwindowsysteminterface.h>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "TrayWindowFixture.h"
#include "app/DroppedImages.h"
#include "support/SmallDisk.h"

namespace {

using namespace testing_support;

enum class Target { ShowList, Preview };

// What a file manager hands over: the files as URLs, offered for copying or moving, with the
// move proposed (a plain drag between folders of one disk moves).
struct Drag {
    QList<QUrl> urls;
    QString text;
    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
};

QList<QUrl> fileUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    return urls;
}

class ShowListDrop : public ShowListWindowTest {
protected:
    QWidget* widget(Target target) const {
        return target == Target::ShowList ? tray->ShowList->viewport()
                                          : static_cast<QWidget*>(tray->picPreview);
    }

    struct Outcome {
        bool enterAccepted, moveAccepted, dropAccepted;
        Qt::DropAction dropAction;
    };

    // Drags over the widget and lets go through Qt's window-system entry points, as a file
    // manager's drag reaches the window: Qt finds the widget under the pointer and delivers
    // enter, move and drop to it. Then lets the window handle what was dropped.
    Outcome dragAndDrop(const Drag& drag, Target target = Target::ShowList) {
        QMimeData data;
        if (!drag.urls.isEmpty()) data.setUrls(drag.urls);
        if (!drag.text.isEmpty()) data.setText(drag.text);
        QWidget* over = widget(target);
        QWindow* window = over->window()->windowHandle();
        const QPoint at = over->mapTo(over->window(), over->rect().center());
        const QPlatformDragQtResponse enter = QWindowSystemInterface::handleDrag(
            window, &data, at, drag.actions, Qt::LeftButton, Qt::ShiftModifier);
        const QPlatformDragQtResponse move = QWindowSystemInterface::handleDrag(
            window, &data, at + QPoint(1, 1), drag.actions, Qt::LeftButton, Qt::ShiftModifier);
        const QPlatformDropQtResponse drop = QWindowSystemInterface::handleDrop(
            window, &data, at + QPoint(1, 1), drag.actions, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::processEvents();
        return {enter.isAccepted(), move.isAccepted(), drop.isAccepted(), drop.acceptedAction()};
    }
    void dropFiles(const QStringList& paths, Target target = Target::ShowList) {
        Drag drag;
        drag.urls = fileUrls(paths);
        const Outcome outcome = dragAndDrop(drag, target);
        EXPECT_TRUE(outcome.dropAccepted);
        EXPECT_EQ(outcome.dropAction, Qt::CopyAction);
    }

    void expectFit(Answer answer) {
        prompter.expectMessage("Size to fit Display?", Buttons::YesNo, Icon::Question,
                               "Image Backup", answer);
    }
    void expectNotAdded(const QString& text) {
        prompter.expectMessage(text, Buttons::Ok, Icon::Information, "Image Backup", Answer::Ok);
    }
    QStringList programFolderFiles() const { return QDir(folder.path()).entryList(QDir::Files); }
};

TEST_F(ShowListDrop, ABitmapAJpegAndATextFileAddTwoEntriesAndNameTheTextFileOnce) {
    const QString bitmap = writeImage(images.path(), "Sunset.bmp", 64, 48);
    const QString jpeg = writeImage(images.path(), "photo.jpg", 320, 240);
    const QString text = images.write("notes.txt", "Dear diary,\nno picture today.\n");
    tray->ComboTime->setEditText("30");
    expectFit(Answer::Yes);
    expectNotAdded("These files could not be added:\r\nnotes.txt");
    dropFiles({bitmap, jpeg, text});

    const QString copy = folder.filePath("Sunset.bmp"), converted = folder.filePath("photo.BMP");
    EXPECT_EQ(entries(), QStringList({"Sunset|" + copy + "|30", "photo|" + converted + "|30"}));
    EXPECT_EQ(fileBytes(copy), fileBytes(bitmap));
    EXPECT_EQ(bitmapSize(converted), QSize(1024, 768));
    EXPECT_EQ(programFolderFiles(), QStringList({"photo.BMP", "Sunset.bmp", "ZARN.DAT"}));
    ASSERT_TRUE(tray->cmdSaveSetup->isEnabled());
    tray->cmdSaveSetup->click();
    EXPECT_EQ(stored(), (std::vector<StoredRecord>{{copy, "Sunset", "30", {}},
                                                   {converted, "photo", "30", {}}}));
}

struct FitCase {
    Answer answer;
    QSize first, second;  // the sizes the two conversions end up with
};

class FitOnce : public ShowListDrop, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitOnce, TheAnswerHoldsForEveryConversionOfTheDrop) {
    const FitCase& c = GetParam();
    const QStringList dropped = {writeImage(images.path(), "one.jpg", 320, 240),
                                 writeImage(images.path(), "keep.bmp", 30, 20),
                                 writeImage(images.path(), "two.png", 50, 40)};
    expectFit(c.answer);
    dropFiles(dropped, Target::Preview);
    EXPECT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(bitmapSize(folder.filePath("one.BMP")), c.first);
    EXPECT_EQ(bitmapSize(folder.filePath("two.BMP")), c.second);
    EXPECT_EQ(fileBytes(folder.filePath("keep.bmp")), fileBytes(dropped[1]));
    EXPECT_EQ(texts(tray->ShowList), QStringList({"one", "keep", "two"}));
}

INSTANTIATE_TEST_SUITE_P(, FitOnce,
                         ::testing::Values(FitCase{Answer::Yes, {1024, 768}, {1024, 768}},
                                           FitCase{Answer::No, {320, 240}, {50, 40}}),
                         [](const auto& info) {
                             return info.param.answer == Answer::Yes ? "Yes" : "No";
                         });

TEST_F(ShowListDrop, AFolderAddsItsImagesInTheFileListsOrderAndNothingElse) {
    const TempFolder dropped;
    for (const char* name : {"b.bmp", "A.bmp", "c10.bmp", "c9.bmp", ".hidden.bmp"})
        writeImage(dropped.path(), name, 8, 8);
    dropped.write("notes.txt", "not a picture");
    dropped.write("broken.bmp", "BM but nothing more");
    QDir(dropped.path()).mkdir("sub");
    writeImage(dropped.filePath("sub"), "inner.bmp", 8, 8);
    const QString loose = writeImage(images.path(), "loose.bmp", 8, 8);
    // Bitmaps only: no question at all.
    dropFiles({dropped.path(), loose});

    tray->browser().openFolder(dropped.path());
    QStringList listed = texts(tray->File1);
    listed.removeAll("notes.txt");
    listed.removeAll("broken.bmp");
    ASSERT_EQ(listed, QStringList({"A.bmp", "b.bmp", "c10.bmp", "c9.bmp"}));
    EXPECT_EQ(texts(tray->ShowList), QStringList({"A", "b", "c10", "c9", "loose"}));
    EXPECT_EQ(texts(tray->HiddenList1).value(4), folder.filePath("loose.bmp"));
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
}

TEST_F(ShowListDrop, OneFileThatFailsLeavesTheOthersAndOnlyWholeBitmapsAreListed) {
    const QStringList dropped = {
        writeTruncatedJpeg(images.path(), "cut.jpg"),
        writeImage(images.path(), "first.bmp", 20, 20),
        writeImage(images.path(), "ab", 20, 20),  // too short a name for a bitmap's name
        images.filePath("gone.png"),
        writeImage(images.path(), "blocked.png", 20, 20),  // its bitmap's name is a folder
        images.path() + "/../" + QDir(images.path()).dirName() + "/fake.bmp",
        writeImage(images.path(), "last.png", 20, 20)};
    images.write("fake.bmp", "text with a bitmap's name");
    QDir(folder.path()).mkdir("blocked.BMP");
    expectFit(Answer::No);
    expectNotAdded(
        "These files could not be added:\r\ncut.jpg\r\nab\r\ngone.png\r\nblocked.png"
        "\r\nfake.bmp");
    dropFiles(dropped);
    EXPECT_EQ(entries(), QStringList({"first|" + folder.filePath("first.bmp") + "|15",
                                      "last|" + folder.filePath("last.BMP") + "|15"}));
    EXPECT_EQ(programFolderFiles(), QStringList({"first.bmp", "last.BMP", "ZARN.DAT"}));
    EXPECT_EQ(bitmapSize(folder.filePath("last.BMP")), QSize(20, 20));
}

TEST_F(ShowListDrop, ThePartThatCannotBeAddedIsNamedUpToTwentyFiles) {
    QStringList dropped;
    QString want = "These files could not be added:";
    for (int i = 1; i <= 22; ++i) {
        const QString name = QString("note%1.txt").arg(i);
        dropped << images.write(name, "words");
        if (i <= 20) want += "\r\n" + name;
    }
    expectNotAdded(want + "\r\n... and 2 more");
    dropFiles(dropped);
    EXPECT_TRUE(entries().isEmpty());
    // Nothing added: nothing new to save.
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
}

TEST_F(ShowListDrop, TheProgramFoldersOwnCopyDroppedBackIsListedAsItIs) {
    const QString own = writeImage(folder.path(), "Here.bmp", 40, 30);
    const QByteArray before = fileBytes(own);
    // The folder itself too: the store in it is no image and passes unnoticed.
    dropFiles({own, folder.path()});
    EXPECT_EQ(entries(), QStringList({"Here|" + own + "|15", "Here|" + own + "|15"}));
    EXPECT_EQ(fileBytes(own), before);
    EXPECT_EQ(programFolderFiles(), QStringList({"Here.bmp", "ZARN.DAT"}));
}

struct DragCase {
    const char* name;
    enum { File, WebPage, FileAndWebPage, TextOnly } content;
    Qt::DropActions actions;
    bool accepted;
};

class DragKinds : public ShowListDrop,
                  public ::testing::WithParamInterface<std::tuple<DragCase, Target>> {};

TEST_P(DragKinds, OnlyLocalFilesAreTakenAndOnlyAsCopies) {
    const auto& [c, target] = GetParam();
    const QString bitmap = writeImage(images.path(), "pic.bmp", 10, 10);
    const QUrl page("https://example.org/pic.bmp");
    Drag drag;
    drag.actions = c.actions;
    if (c.content == DragCase::File) drag.urls = {QUrl::fromLocalFile(bitmap)};
    if (c.content == DragCase::WebPage) drag.urls = {page};
    if (c.content == DragCase::FileAndWebPage) drag.urls = {page, QUrl::fromLocalFile(bitmap)};
    if (c.content == DragCase::TextOnly) drag.text = bitmap;
    const Outcome outcome = dragAndDrop(drag, target);
    EXPECT_EQ(outcome.enterAccepted, c.accepted);
    EXPECT_EQ(outcome.moveAccepted, c.accepted);
    EXPECT_EQ(outcome.dropAccepted, c.accepted);
    if (c.accepted) {
        EXPECT_EQ(outcome.dropAction, Qt::CopyAction);
    }
    EXPECT_EQ(entries(), c.accepted ? QStringList{"pic|" + folder.filePath("pic.bmp") + "|15"}
                                    : QStringList());
    EXPECT_TRUE(QFile::exists(bitmap));
}

INSTANTIATE_TEST_SUITE_P(
    , DragKinds,
    ::testing::Combine(
        ::testing::Values(
            DragCase{"File", DragCase::File, Qt::CopyAction | Qt::MoveAction, true},
            DragCase{"FileToCopyOnly", DragCase::File, Qt::CopyAction, true},
            DragCase{"FileToMoveOnly", DragCase::File, Qt::MoveAction, false},
            DragCase{"WebPage", DragCase::WebPage, Qt::CopyAction | Qt::MoveAction, false},
            DragCase{"FileAndWebPage", DragCase::FileAndWebPage, Qt::CopyAction, true},
            DragCase{"TextOnly", DragCase::TextOnly, Qt::CopyAction | Qt::MoveAction, false}),
        ::testing::Values(Target::ShowList, Target::Preview)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == Target::ShowList ? "_OnTheList" : "_OnThePreview");
    });

// A full program folder, reached through the drop's own function: the window's program
// folder is fixed when it is made.
TEST(ShowListDropOnAFullDisk, TheFileThatDoesNotFitIsNamedAndTheOthersAreAdded) {
    SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const TempFolder images;
    const QStringList dropped = {writeImage(images.path(), "small.bmp", 8, 8),
                                 writeImage(images.path(), "large.bmp", 200, 200),
                                 writeImage(images.path(), "tiny.bmp", 4, 4)};
    disk.fill(64 * 1024);
    ScriptedPrompter prompter;
    prompter.expectMessage("These files could not be added:\r\nlarge.bmp", Buttons::Ok,
                           Icon::Information, "Image Backup", Answer::Ok);
    FixedDesktop desktop(disk.path());
    QListWidget names, paths, times;
    showlist::ShowLists lists(&names, &paths, &times);
    EXPECT_EQ(app::addDroppedImages(dropped, "5", {prompter, desktop, lists, nullptr}), 2);
    EXPECT_EQ(texts(&paths), QStringList({disk.filePath("small.bmp"), disk.filePath("tiny.bmp")}));
    EXPECT_EQ(texts(&times), QStringList({"5", "5"}));
    EXPECT_EQ(disk.entries(), QStringList({"small.bmp", "tiny.bmp"}));
    EXPECT_EQ(fileBytes(disk.filePath("tiny.bmp")), fileBytes(dropped[2]));
}

}  // namespace
