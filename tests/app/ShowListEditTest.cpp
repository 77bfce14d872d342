#include <qpa/qplatformdrag.h>
#include <qpa/qwindowsysteminterface.h>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/basMain.h"
#include "app/frmTray.h"
#include "support/FixedDesktop.h"
#include "support/ImageFiles.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/ScriptedPrompter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// The main window's show list changed by files dragged from a file manager onto it or its
// preview, and by Delete.
namespace {

using namespace testing_support;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

enum class Target { ShowList, Preview };

struct Dropped {
    bool enter, move, drop;
    Qt::DropAction action;
};

// The main window open on an empty store, with its questions scripted.
class ShowListEdit : public ::testing::Test {
protected:
    void SetUp() override {
        app::Main(tray);
        ASSERT_TRUE(tray.isVisible());
    }

    // Drags over the widget and lets go through Qt's window-system entry points, as a file
    // manager's drag reaches the window, a move proposed (a plain drag between folders of one
    // disk moves); then lets the window handle what was dropped.
    Dropped drop(const QList<QUrl>& urls, Target target, const QString& text = {},
                 Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
        QMimeData data;
        if (!urls.isEmpty()) data.setUrls(urls);
        if (!text.isEmpty()) data.setText(text);
        QWidget* over = target == Target::ShowList ? tray.ShowList->viewport()
                                                   : static_cast<QWidget*>(tray.picPreview);
        QWindow* window = tray.windowHandle();
        const QPoint at = over->mapTo(&tray, over->rect().center());
        const auto enter = QWindowSystemInterface::handleDrag(window, &data, at, actions,
                                                              Qt::LeftButton, Qt::ShiftModifier);
        const auto move = QWindowSystemInterface::handleDrag(
            window, &data, at + QPoint(1, 1), actions, Qt::LeftButton, Qt::ShiftModifier);
        const auto dropped = QWindowSystemInterface::handleDrop(
            window, &data, at + QPoint(1, 1), actions, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::processEvents();
        return {enter.isAccepted(), move.isAccepted(), dropped.isAccepted(),
                dropped.acceptedAction()};
    }
    QStringList listed() const {
        QStringList all;
        for (int i = 0; i < tray.ShowList->count(); ++i) all << tray.ShowList->item(i)->text();
        return all;
    }

    TempFolder folder, images;
    ScriptedPrompter prompter;
    RecordingWallpaperSetter setter;
    FixedDesktop desktop{folder.path()};
    app::frmTray tray{
        {prompter, desktop, setter, 60006, app::TrayMode::SystemTray, [] {}, "recording"}};
};

// What the drag holds, how it may be dropped, and whether the window takes it.
struct DragCase {
    const char* name;
    enum { File, WebPage, FileAndWebPage, TextOnly } content;
    Qt::DropActions actions;
    bool taken;
};

class DragKinds : public ShowListEdit,
                  public ::testing::WithParamInterface<std::tuple<DragCase, Target>> {};

TEST_P(DragKinds, OnlyLocalFilesAreTakenAndOnlyAsCopies) {
    const auto& [c, target] = GetParam();
    const QString bitmap = writeImage(images.path(), "pic.bmp", 10, 10);
    const QUrl file = QUrl::fromLocalFile(bitmap), page("https://example.org/pic.bmp");
    const QList<QList<QUrl>> urls = {{file}, {page}, {page, file}, {}};
    const Dropped d =
        drop(urls[c.content], target, c.content == DragCase::TextOnly ? bitmap : "", c.actions);
    EXPECT_EQ(QList<bool>({d.enter, d.move, d.drop}), QList<bool>(3, c.taken));
    EXPECT_EQ(d.action, c.taken ? Qt::CopyAction : Qt::IgnoreAction);
    EXPECT_EQ(listed(), c.taken ? QStringList{"pic"} : QStringList());
    EXPECT_TRUE(QFile::exists(bitmap));
}

INSTANTIATE_TEST_SUITE_P(
    , DragKinds,
    ::testing::Combine(
        ::testing::Values(DragCase{"File", DragCase::File, Qt::CopyAction | Qt::MoveAction, true},
                          DragCase{"FileToMoveOnly", DragCase::File, Qt::MoveAction, false},
                          DragCase{"WebPage", DragCase::WebPage, Qt::CopyAction, false},
                          DragCase{"FileAndWebPage", DragCase::FileAndWebPage, Qt::CopyAction,
                                   true},
                          DragCase{"TextOnly", DragCase::TextOnly, Qt::CopyAction, false}),
        ::testing::Values(Target::ShowList, Target::Preview)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == Target::ShowList ? "_OnTheList" : "_OnThePreview");
    });

// A folder stands for its images in the file list's order; the other files of a drop are
// named together, and Save Setup stores what was added.
TEST_F(ShowListEdit, AFolderAndFilesJoinTheListInOrderWithOneQuestionAndTheRestNamed) {
    const TempFolder dropped;
    for (const char* name : {"b.bmp", "A.bmp", "c10.bmp", "c9.bmp", ".hidden.bmp"})
        writeImage(dropped.path(), name, 8, 8);
    dropped.write("notes.txt", "not a picture");
    QDir(dropped.path()).mkdir("sub");
    writeImage(dropped.filePath("sub"), "inner.bmp", 8, 8);
    const QStringList loose = {writeImage(images.path(), "photo.jpg", 320, 240),
                               images.write("diary.txt", "Dear diary,\nno picture today.\n"),
                               writeImage(images.path(), "scan.png", 40, 30),
                               writeImage(images.path(), "phone.heic", 40, 30)};
    tray.ComboTime->setEditText("30");
    prompter.expectMessage("Size to fit Display?", Buttons::YesNo, Icon::Question, "Image Backup",
                           Answer::Yes);
    prompter.expectMessage("These files could not be added:\r\ndiary.txt", Buttons::Ok,
                           Icon::Information, "Image Backup", Answer::Ok);
    const QList<QUrl> urls = {QUrl::fromLocalFile(dropped.path()), QUrl::fromLocalFile(loose[0]),
                              QUrl::fromLocalFile(loose[1]), QUrl::fromLocalFile(loose[2]),
                              QUrl::fromLocalFile(loose[3])};
    EXPECT_TRUE(drop(urls, Target::ShowList).drop);
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(listed(), QStringList({"A", "b", "c10", "c9", "photo", "scan", "phone"}));
    EXPECT_EQ(QImageReader(folder.filePath("scan.BMP")).size(), QSize(1024, 768));
    EXPECT_EQ(QImageReader(folder.filePath("phone.BMP")).size(), QSize(1024, 768));
    EXPECT_EQ(fileBytes(folder.filePath("b.bmp")), fileBytes(dropped.filePath("b.bmp")));

    ASSERT_TRUE(tray.cmdSaveSetup->isEnabled());
    tray.cmdSaveSetup->click();
    std::vector<StoredRecord> saved;
    for (const char* name :
         {"A.bmp", "b.bmp", "c10.bmp", "c9.bmp", "photo.BMP", "scan.BMP", "phone.BMP"})
        saved.push_back({folder.filePath(name), QString(name).section('.', 0, 0), "30", {}});
    EXPECT_EQ(readStore(folder.filePath("ZARN.DAT")), saved);
}

// A stored path may lead anywhere: Delete removes an entry's file only from the program
// folder, never the store, and the last entry takes every bitmap of the folder with it.
class DeleteTheLastEntry : public ShowListEdit,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(DeleteTheLastEntry, RemovesFilesOfTheProgramFolderOnlyAndNeverTheStore) {
    const QString victim = images.write("victim.bmp", "precious");
    ASSERT_TRUE(QFile::link(images.path(), folder.filePath("link")));
    const QMap<QString, QString> paths = {
        {"OtherFolder", victim},
        {"DotDot", folder.path() + "/../" + QDir(images.path()).dirName() + "/victim.bmp"},
        {"ThroughALink", folder.filePath("link/victim.bmp")},
        {"TheStore", folder.filePath("ZARN.DAT")},
        {"ItsOwnBitmap", folder.write("own.BMP", "bitmap")}};
    folder.write("other.bmp", "bitmap");
    tray.showLists().append({"entry", paths[GetParam()], "5"});
    tray.ShowList->setCurrentRow(0);
    tray.cmdDelete->click();
    EXPECT_EQ(listed(), QStringList());
    EXPECT_EQ(fileBytes(victim), "precious");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"ZARN.DAT"});
}

INSTANTIATE_TEST_SUITE_P(, DeleteTheLastEntry,
                         ::testing::Values("OtherFolder", "DotDot", "ThroughALink", "TheStore",
                                           "ItsOwnBitmap"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
