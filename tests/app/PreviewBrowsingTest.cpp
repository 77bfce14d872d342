#include <QDateTime>
#include <QFile>
#include <QSignalSpy>

#include "TrayWindowFixture.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"

namespace {

using namespace testing_support;

// Browsing a folder in the main window with its previews made ahead on worker threads.
class BrowsePreviews : public ShowListWindowTest {
protected:
    // Writes the images and opens their folder in the browser.
    void browse(const std::vector<std::tuple<const char*, int, int>>& files) {
        for (const auto& [name, width, height] : files)
            writeImage(images.path(), name, width, height);
        tray->browser().openFolder(images.path());
    }
    // Presses and releases the mouse on a row of the list, as a user clicks.
    static void pressAndRelease(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    void clickRow(int row) { pressAndRelease(tray->File1, row); }
    QString pathOf(int row) const { return images.filePath(tray->File1->item(row)->text()); }
    void waitUntilIdle() {
        showlist::PreviewPrefetcher& previews = tray->previews();
        QSignalSpy idle(&previews, &showlist::PreviewPrefetcher::idle);
        while (!previews.isIdle()) ASSERT_TRUE(idle.wait(60000));
    }
    bool isCached(const QString& path) {
        const std::optional<showlist::PreviewStamp> stamp = showlist::PreviewStamp::of(path);
        return stamp && tray->previews().cache().find(*stamp);
    }
    // The preview box shows exactly what the file list has always made of the file, and the
    // selection names it with its size.
    void expectShowing(const QString& path) {
        const showlist::Preview made = showlist::makePreview(path, showlist::kBrowserWideRatio);
        EXPECT_EQ(preview().convertToFormat(made.picture.format()), made.picture)
            << path.toStdString();
        expectSelected({path, QFileInfo(path).fileName(), "15", QString::number(made.width),
                        QString::number(made.height)});
    }
};

TEST_F(BrowsePreviews, ClickingThroughTheFilesShowsEachExactlyAndPreparesItsNeighbours) {
    browse({{"a.png", 300, 200}, {"b.jpg", 1600, 1200}, {"c.bmp", 90, 400}, {"d.png", 640, 400}});
    ASSERT_EQ(texts(tray->File1), QStringList({"a.png", "b.jpg", "c.bmp", "d.png"}));
    for (const int row : {0, 1, 2, 3, 2, 0}) {
        clickRow(row);
        expectShowing(pathOf(row));
        waitUntilIdle();
        for (const int near : {row - 1, row + 1}) {
            if (near < 0 || near >= 4) continue;
            EXPECT_TRUE(isCached(pathOf(near))) << row << near;
        }
    }
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(BrowsePreviews, TheKeyboardShowsTheNextFileWhenItsPreviewArrives) {
    browse({{"a.png", 300, 200}, {"b.png", 200, 300}, {"c.png", 50, 50}});
    clickRow(0);
    for (const int row : {1, 2, 1}) {
        QTest::keyClick(tray->File1,
                        row == 1 && tray->File1->currentRow() == 2 ? Qt::Key_Up : Qt::Key_Down);
        ASSERT_EQ(tray->File1->currentRow(), row);
        waitUntilIdle();
        expectShowing(pathOf(row));
    }
}

enum class Reached { ByClick, ByKey };

class BrowseUnreadable : public BrowsePreviews, public ::testing::WithParamInterface<Reached> {};

TEST_P(BrowseUnreadable, SaysUnknownFileFormatOnceItIsSelectedAndKeepsThePreview) {
    images.write("b.jpg", "Dear diary,\nno picture today.\n");
    browse({{"a.png", 300, 200}, {"c.png", 120, 80}});
    clickRow(0);
    waitUntilIdle();  // b, the neighbour, failed to decode on the way
    const QImage before = preview();
    expectUnknownFormat();
    if (GetParam() == Reached::ByClick) {
        clickRow(1);
    } else {
        QTest::keyClick(tray->File1, Qt::Key_Down);
        waitUntilIdle();
    }
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(preview(), before);
    expectSelected({images.filePath("b.jpg"), "b.jpg", "15", "300", "200"});
    clickRow(2);
    expectShowing(images.filePath("c.png"));
}

INSTANTIATE_TEST_SUITE_P(, BrowseUnreadable, ::testing::Values(Reached::ByClick, Reached::ByKey));

TEST_F(BrowsePreviews, PassingAnUnreadableFileByKeyBeforeItsDecodeEndsSaysNothing) {
    images.write("b.jpg", "not a picture");
    browse({{"a.png", 300, 200}, {"c.png", 120, 80}});
    clickRow(0);
    QTest::keyClick(tray->File1, Qt::Key_Down);
    QTest::keyClick(tray->File1, Qt::Key_Down);
    waitUntilIdle();
    expectShowing(images.filePath("c.png"));
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(BrowsePreviews, AFileWrittenAgainAfterItsNeighbourWasShownShowsItsNewPixels) {
    browse({{"a.png", 300, 200}, {"b.bmp", 200, 100}});
    clickRow(0);
    waitUntilIdle();
    const QString b = pathOf(1);
    ASSERT_TRUE(isCached(b));
    const QDateTime modified = QFileInfo(b).lastModified();
    QImage green(200, 150, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(b, "BMP"));
    QFile file(b);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    clickRow(1);
    expectShowing(b);
    EXPECT_EQ(preview().pixelColor(10, 10), QColor(Qt::green));
}

TEST_F(BrowsePreviews, AShowListEntryIsShownExactlyAndItsNeighboursPrepared) {
    QStringList paths;
    for (const auto& [name, width, height] :
         {std::tuple{"one.png", 300, 200}, {"two.png", 100, 400}, {"three.png", 640, 400}}) {
        paths << writeImage(images.path(), name, width, height);
        addEntry(QFileInfo(paths.last()).baseName(), paths.last(), "30");
    }
    pressAndRelease(tray->ShowList, 1);
    const showlist::Preview made = showlist::makePreview(paths[1], showlist::kBrowserWideRatio);
    EXPECT_EQ(preview().convertToFormat(made.picture.format()), made.picture);
    expectSelected({paths[1], "two"});
    waitUntilIdle();
    EXPECT_TRUE(isCached(paths[0]));
    EXPECT_TRUE(isCached(paths[2]));
}

// The pointer resting on an entry, before any press, prepares its preview and changes
// nothing the window shows.
TEST_F(BrowsePreviews, ThePointerOnAnEntryPreparesItsPreviewBeforeThePress) {
    browse({{"a.png", 300, 200}, {"b.png", 200, 300}, {"c.png", 50, 50}, {"d.png", 64, 40}});
    const QString e = writeImage(images.path(), "e.png", 120, 90);
    addEntry("e", e, "30");
    const QImage blank = preview();
    struct Pointing {
        QListWidget* list;
        int row;
        QString path;
    };
    for (const Pointing& at :
         {Pointing{tray->File1, 2, pathOf(2)}, Pointing{tray->ShowList, 0, e}}) {
        SCOPED_TRACE(at.path.toStdString());
        ASSERT_FALSE(isCached(at.path));
        at.list->scrollToItem(at.list->item(at.row));
        QTest::mouseMove(at.list->viewport(),
                         at.list->visualItemRect(at.list->item(at.row)).center());
        waitUntilIdle();
        EXPECT_TRUE(isCached(at.path));
        EXPECT_EQ(preview(), blank);
        EXPECT_TRUE(tray->selectedImage().FileName.isEmpty());
    }
    EXPECT_FALSE(isCached(pathOf(0)));
    EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(BrowsePreviews, GoingToTheNotificationAreaLetsThePreviewsGo) {
    browse({{"a.png", 300, 200}, {"b.png", 200, 300}});
    clickRow(0);
    waitUntilIdle();
    ASSERT_EQ(tray->previews().cache().count(), 2);
    tray->hideToTray(false);
    EXPECT_EQ(tray->previews().cache().count(), 0);
    EXPECT_EQ(tray->previews().cache().bytes(), 0);
}

TEST_F(BrowsePreviews, ClosingTheWindowWhilePreviewsAreMadeEndsTheProgram) {
    for (int i = 0; i < 6; ++i) writeImage(images.path(), QString("p%1.jpg").arg(i), 2400, 1600);
    tray->browser().openFolder(images.path());
    clickRow(2);
    QTest::keyClick(tray->File1, Qt::Key_Down);  // awaited while its neighbours decode
    tray->close();
    EXPECT_EQ(programEnded, 1);
    tray.reset();
    QCoreApplication::processEvents();
}

}  // namespace
