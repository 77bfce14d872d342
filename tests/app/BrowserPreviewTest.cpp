#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTest>

#include "support/ImageFiles.h"
#include "ShowListWindowFixture.h"
#include "showlist/FolderLineDelegate.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::writeImage;

class Browser : public testing_support::ShowListWindowTest {
protected:
    void expectUnknownFormat() {
        prompter.expectMessage("Unknown file format", Buttons::Ok, Icon::Information,
                               "Image Selection", Answer::Ok);
    }
};

TEST_F(Browser, StartsAtHomeAndFallsBackToTheFirstDriveSilentlyWhenOneIsNotReady) {
    EXPECT_EQ(tray->Drive1->itemData(0).toString(), "/");
    EXPECT_EQ(tray->browser().folder(), QDir::homePath());
    EXPECT_EQ(tray->Drive1->currentData().toString(), QDir::homePath());

    tray->Drive1->addItem("unplugged", images.filePath("unplugged"));
    tray->Drive1->setCurrentIndex(tray->Drive1->count() - 1);
    EXPECT_EQ(tray->Drive1->currentIndex(), 0);
    EXPECT_EQ(tray->browser().folder(), "/");
}

struct FileCase {
    const char* name;
    int width, height;
    QSize preview;
};

class BrowserPreview : public Browser, public ::testing::WithParamInterface<FileCase> {};

TEST_P(BrowserPreview, AClickSelectsTheFileAndFitsItWithTheBrowserWideLimit) {
    const FileCase& c = GetParam();
    const QString path = writeImage(images.path(), c.name, c.width, c.height);
    browseTo(images.path());
    tray->ComboTime->setEditText("30");
    clickFile(c.name);

    EXPECT_EQ(previewSize(), c.preview);
    const showlist::SelectedImage& s = tray->selectedImage();
    EXPECT_EQ(
        QStringList({s.FileName, s.FileTitle, s.TimeText, s.WidthText, s.HeightText}),
        QStringList({path, c.name, "30", QString::number(c.width), QString::number(c.height)}));
}

INSTANTIATE_TEST_SUITE_P(, BrowserPreview,
                         ::testing::Values(FileCase{"wide.png", 400, 200, {276, 138}},
                                           FileCase{"square.png", 300, 300, {204, 204}},
                                           FileCase{"three_two.png", 300, 200, {276, 204}},
                                           FileCase{"tall.png", 100, 400, {51, 204}},
                                           FileCase{"half_even.png", 640, 400, {276, 172}},
                                           FileCase{"camera.jpg", 1600, 1200, {276, 204}},
                                           FileCase{"bitmap.bmp", 640, 400, {276, 172}},
                                           FileCase{"dot.png", 1, 1, {204, 204}},
                                           FileCase{"sliver.png", 1000, 1, {276, 1}}),
                         [](const auto& info) {
                             return QString(info.param.name).replace('.', '_').toStdString();
                         });

TEST_F(Browser, ThePreviewKeepsTheImageTheRightWayRound) {
    writeImage(images.path(), "sides.jpg", 2000, 1000);
    browseTo(images.path());
    clickFile("sides.jpg");
    const QImage shown = preview();
    ASSERT_EQ(shown.size(), QSize(276, 138));
    auto near = [](QRgb a, QColor b) {
        return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) +
                   std::abs(qBlue(a) - b.blue()) <
               40;
    };
    EXPECT_TRUE(near(shown.pixel(20, 69), testing_support::kLeftColour));
    EXPECT_TRUE(near(shown.pixel(255, 69), testing_support::kRightColour));
}

enum class BadFile { Text, Empty, TruncatedJpeg, PngBomb, RemovedAfterListing, Unreadable };

class BrowserBadFile : public Browser, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BrowserBadFile, SaysUnknownFileFormatAndKeepsThePreviewAndTheLastSize) {
    const QString name = "bad.jpg", path = images.filePath(name);
    switch (GetParam()) {
        case BadFile::Text:
            images.write(name, "Dear diary,\nno picture today.\n");
            break;
        case BadFile::Empty:
            images.write(name, "");
            break;
        case BadFile::TruncatedJpeg:
            testing_support::writeTruncatedJpeg(images.path(), name);
            break;
        case BadFile::PngBomb:
            testing_support::writePngHeader(images.path(), name, 20000, 20000);
            break;
        case BadFile::RemovedAfterListing:
        case BadFile::Unreadable:
            if (GetParam() == BadFile::Unreadable && geteuid() == 0)
                GTEST_SKIP() << "permissions do not bind root";
            writeImage(images.path(), name, 30, 30);
            break;
    }
    writeImage(images.path(), "good.png", 30, 20);
    browseTo(images.path());
    clickFile("good.png");
    markPreview();
    if (GetParam() == BadFile::RemovedAfterListing) QFile::remove(path);
    if (GetParam() == BadFile::Unreadable) QFile::setPermissions(path, QFileDevice::WriteOwner);

    expectUnknownFormat();
    clickFile(name);

    EXPECT_TRUE(previewIsMarker());
    const showlist::SelectedImage& s = tray->selectedImage();
    EXPECT_EQ(QStringList({s.FileName, s.FileTitle, s.WidthText, s.HeightText}),
              QStringList({path, name, "30", "20"}));
}

INSTANTIATE_TEST_SUITE_P(, BrowserBadFile,
                         ::testing::Values(BadFile::Text, BadFile::Empty, BadFile::TruncatedJpeg,
                                           BadFile::PngBomb, BadFile::RemovedAfterListing,
                                           BadFile::Unreadable));

TEST_F(Browser, AFolderFoundByItsNameOpensBelowTheWayDownToIt) {
    QDir(images.path()).mkpath("Holiday/Beach");
    writeImage(images.filePath("Holiday"), "sea.png", 10, 10);
    images.write("Holiday/.hidden.png", "");
    browseTo(images.path());
    // Typing a name finds the folder; Enter opens it, as a double click does.
    QTest::keyClicks(tray->Dir1, "Holi");
    QTest::keyClick(tray->Dir1, Qt::Key_Return);

    EXPECT_EQ(tray->browser().folder(), images.filePath("Holiday"));
    ASSERT_EQ(tray->File1->count(), 1);
    EXPECT_EQ(tray->File1->item(0)->text(), "sea.png");
    // The last lines: the open folder, then the folder inside it, one step further in.
    const int last = tray->Dir1->count() - 1;
    const QListWidgetItem *open = tray->Dir1->item(last - 1), *inside = tray->Dir1->item(last);
    EXPECT_EQ(QStringList({open->text(), inside->text()}), QStringList({"Holiday", "Beach"}));
    EXPECT_EQ(inside->data(showlist::FolderLineDelegate::kDepthRole).toInt(),
              open->data(showlist::FolderLineDelegate::kDepthRole).toInt() + 1);
}

TEST_F(Browser, AFolderThatCannotBeReadShowsNothingAndSaysNothing) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    QDir(images.path()).mkdir("locked");
    writeImage(images.filePath("locked"), "secret.png", 10, 10);
    QFile::setPermissions(images.filePath("locked"), QFileDevice::WriteOwner);
    browseTo(images.filePath("locked"));
    EXPECT_EQ(tray->File1->count(), 0);
    QFile::setPermissions(images.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(Browser, AShowListClickShowsTheEntryAndItsTimeAndSelectsItInTheHiddenLists) {
    addEntry("gone", images.filePath("gone.png"), "60");
    const QString two = writeImage(images.path(), "two.png", 300, 200);
    addEntry("two", two, "90");
    writeImage(images.path(), "one.png", 50, 50);
    browseTo(images.path());
    clickFile("one.png");

    clickEntry(1);
    EXPECT_EQ(tray->ComboTime->currentText(), "90");
    EXPECT_EQ(previewSize(), QSize(276, 204));
    const showlist::SelectedImage& s = tray->selectedImage();
    // Time and size stay those of the file clicked before.
    EXPECT_EQ(QStringList({s.FileName, s.FileTitle, s.TimeText, s.WidthText}),
              QStringList({two, "two", "15", "50"}));

    markPreview();
    clickEntry(0);  // its file is gone: silence
    EXPECT_TRUE(previewIsMarker());
    EXPECT_EQ(tray->ComboTime->currentText(), "60");
    EXPECT_EQ(tray->HiddenList1->currentRow(), 0);
    EXPECT_EQ(tray->HiddenList2->currentRow(), 0);
    EXPECT_EQ(s.FileName, images.filePath("gone.png"));
}

}  // namespace
