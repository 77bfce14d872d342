#include <QDir>
#include <QFile>

#include "TrayWindowFixture.h"
#include "showlist/FolderLineDelegate.h"

namespace {

using namespace testing_support;

using ShowList = ShowListWindowTest;

struct MoveCase {
    int entries, selected, step;  // selected -1: none; step -1: Move Up, +1: Move Down
    int selectedAfter;            // -1: nothing moved
};

class MoveEntries : public ShowList, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveEntries, SwapInAllThreeListsAndKeepTheMovedEntrySelected) {
    const MoveCase& c = GetParam();
    QStringList want;
    for (int i = 0; i < c.entries; ++i) {
        const QString name = i == 150 ? QString() : QString("N%1").arg(i);  // empty names too
        addEntry(name, QString("/p%1").arg(i), QString::number(i));
        want << name + QString("|/p%1|%1").arg(i);
    }
    if (c.selected >= 0) tray->ShowList->setCurrentRow(c.selected);
    (c.step < 0 ? tray->cmdMoveUp : tray->cmdMoveDn)->click();
    if (c.selectedAfter >= 0) want.swapItemsAt(c.selected, c.selectedAfter);
    EXPECT_EQ(entries(), want);
    for (QListWidget* list : {tray->ShowList, tray->HiddenList1, tray->HiddenList2})
        EXPECT_EQ(list->currentRow(), c.selectedAfter);
}

// Lists longer than 201 entries keep every entry too.
INSTANTIATE_TEST_SUITE_P(, MoveEntries,
                         ::testing::Values(MoveCase{3, 1, -1, 0}, MoveCase{3, 1, +1, 2},
                                           MoveCase{3, 0, -1, 0}, MoveCase{3, 2, +1, 2},
                                           MoveCase{3, -1, -1, -1}, MoveCase{3, -1, +1, -1},
                                           MoveCase{300, 299, -1, 298},
                                           MoveCase{300, 150, +1, 151}));

TEST_F(ShowList, RemoveTheEntryAndItsBitmapTheLastOneEveryBitmapOfTheProgramFolder) {
    const QString a = folder.write("A.BMP", "bitmap"), b = folder.write("B.BMP", "bitmap");
    addEntry("A", a, "15");
    addEntry("B", b, "15");
    deleteRow(-1);
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(previewIsMarker());
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    deleteRow(0);
    EXPECT_TRUE(tray->picPreview->pixmap().isNull());
    deleteRow(-1);  // the neighbour is not selected in its place
    EXPECT_EQ(entries(), QStringList{"B|" + b + "|15"});
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
    ASSERT_TRUE(tray->cmdSaveSetup->isEnabled());
    tray->cmdSaveSetup->click();
    EXPECT_EQ(stored(), (std::vector<StoredRecord>{{b, "B", "15", {}}}));

    tray->show();  // activation reloads the saved list
    for (const char* name : {"other.BMP", "lower.bmp", "Mixed.Bmp", "notes.txt"})
        folder.write(name, "x");
    QDir(folder.path()).mkdir("sub");
    const QString nested = folder.write("sub/keep.bmp", "keep");
    deleteRow(0);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"notes.txt", "ZARN.DAT"}));
    EXPECT_TRUE(QFile::exists(nested));
}

// Stored paths out of the program folder or to the store, whose files stay, and a missing
// file, which ends the deleting before the preview and the other bitmaps go.
enum class Named { OtherFolder, DotDot, Relative, ThroughLink, TheStore, MissingFile };

class DeleteNamed : public ShowList, public ::testing::WithParamInterface<Named> {};

TEST_P(DeleteNamed, NeverLeavesTheProgramFolder) {
    TempFolder elsewhere;
    const QString victim = elsewhere.write("victim.bmp", "precious");
    const QString kept = folder.write("Kept.BMP", "x");
    const QMap<Named, QString> paths = {
        {Named::OtherFolder, victim},
        {Named::DotDot, folder.path() + "/../" + QDir(elsewhere.path()).dirName() + "/victim.bmp"},
        {Named::Relative, "victim.bmp"},
        {Named::ThroughLink, folder.filePath("link/victim.bmp")},
        {Named::TheStore, storePath()},
        {Named::MissingFile, folder.filePath("Gone.BMP")}};
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder.filePath("link")));
    // A relative path would resolve against the working folder: make that the victim's.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    addEntry("victim", paths[GetParam()], "5");
    deleteRow(0);
    QDir::setCurrent(workingFolder);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(fileBytes(victim), "precious");
    EXPECT_TRUE(QFile::exists(storePath()));
    EXPECT_EQ(previewIsMarker(), GetParam() == Named::MissingFile);
    EXPECT_EQ(QFile::exists(kept), GetParam() == Named::MissingFile);
}

INSTANTIATE_TEST_SUITE_P(, DeleteNamed,
                         ::testing::Values(Named::OtherFolder, Named::DotDot, Named::Relative,
                                           Named::ThroughLink, Named::TheStore,
                                           Named::MissingFile));

TEST_F(ShowList, NewImageAsksForABitmapInThePicturesFolderOrHomeThenInTheLastChosenFolder) {
    // The pictures folder is found from the home folder: give the user a fresh one.
    const TempFolder home;
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
    markPreview();
    const QString browsed = tray->browser().folder(), fake = images.write("fake.bmp", "text");
    choose(std::nullopt);
    EXPECT_EQ(tray->selectedImage().FileName, "");
    QDir(home.path()).mkdir("Pictures");
    choose(fake);  // an unreadable file is selected silently
    EXPECT_EQ(tray->selectedImage().FileName, fake);
    EXPECT_TRUE(previewIsMarker());
    EXPECT_EQ(tray->browser().folder(), browsed);
    choose(std::nullopt);
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedConfig);

    const platform::FileDialogRequest& first = prompter.asked().at(0).fileRequest;
    EXPECT_EQ(QStringList({first.filter, QString::number(first.filterIndex), first.fileName}),
              QStringList({"Images|*.bmp", "1", ""}));
    QStringList folders;
    for (const auto& asked : prompter.asked()) folders << asked.fileRequest.initialFolder;
    EXPECT_EQ(folders, QStringList({home.path(), home.filePath("Pictures"), images.path()}));
}

struct FileCase {
    const char* name;
    int width, height;
    QSize preview;
    bool viaNewImage;  // else a click in the browser
};

class SelectImage : public ShowList, public ::testing::WithParamInterface<FileCase> {};

TEST_P(SelectImage, ShowsItFittedToThePreviewTheRightWayRoundAndBrowsesToIt) {
    const FileCase& c = GetParam();
    const QString path = writeImage(images.path(), c.name, c.width, c.height);
    tray->ComboTime->setEditText("30");
    if (c.viaNewImage)
        choose(path);
    else
        clickFile(c.name, images.path());
    const QImage shown = preview();
    ASSERT_EQ(shown.size(), c.preview);
    // The left half stays left (a one-pixel image has only its right half).
    for (const auto& [x, colour] :
         {std::pair{shown.width() / 10, c.width > 1 ? kLeftColour : kRightColour},
          std::pair{shown.width() * 9 / 10, kRightColour}}) {
        const QColor pixel = shown.pixelColor(x, shown.height() / 2);
        EXPECT_LT(std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                      std::abs(pixel.blue() - colour.blue()),
                  40)
            << x;
    }
    const QStringList size = {QString::number(c.width), QString::number(c.height)};
    expectSelected(QStringList({path, c.name, "30"}) + (c.viaNewImage ? QStringList() : size));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(tray->browser().folder(), images.path());
}

// Both fit to 276 x 204; New Image lets fewer images count as wide.
INSTANTIATE_TEST_SUITE_P(
    , SelectImage,
    ::testing::Values(FileCase{"sides.jpg", 2000, 1000, {276, 138}, false},
                      FileCase{"square.png", 300, 300, {204, 204}, false},
                      FileCase{"three_two.png", 300, 200, {276, 204}, false},
                      FileCase{"tall.png", 100, 400, {51, 204}, false},
                      FileCase{"half_even.png", 640, 400, {276, 172}, false},
                      FileCase{"camera.jpg", 1600, 1200, {276, 204}, false},
                      FileCase{"bitmap.bmp", 640, 400, {276, 172}, false},
                      FileCase{"dot.png", 1, 1, {204, 204}, false},
                      FileCase{"sliver.png", 1000, 1, {276, 1}, false},
                      FileCase{"new_three_two.bmp", 300, 200, {276, 184}, true},
                      FileCase{"new_near.bmp", 288, 200, {276, 204}, true}),
    [](const auto& info) { return QString(info.param.name).replace('.', '_').toStdString(); });

enum class BadFile { Text, Empty, TruncatedJpeg, PngBomb, RemovedAfterListing };

class BrowseBadFile : public ShowList, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BrowseBadFile, SaysUnknownFileFormatAndKeepsThePreviewAndTheLastSize) {
    const QString name = "bad.jpg", path = images.filePath(name);
    if (GetParam() == BadFile::Text) images.write(name, "Dear diary,\nno picture today.\n");
    if (GetParam() == BadFile::Empty) images.write(name, "");
    if (GetParam() == BadFile::TruncatedJpeg) writeTruncatedJpeg(images.path(), name);
    if (GetParam() == BadFile::PngBomb) writePngHeader(images.path(), name, 20000, 20000);
    if (GetParam() == BadFile::RemovedAfterListing) writeImage(images.path(), name, 30, 30);
    writeImage(images.path(), "good.png", 30, 20);
    clickFile("good.png", images.path());
    markPreview();
    if (GetParam() == BadFile::RemovedAfterListing) QFile::remove(path);
    expectUnknownFormat();
    clickFile(name);
    EXPECT_TRUE(previewIsMarker());
    expectSelected({path, name, "15", "30", "20"});
}

INSTANTIATE_TEST_SUITE_P(, BrowseBadFile,
                         ::testing::Values(BadFile::Text, BadFile::Empty, BadFile::TruncatedJpeg,
                                           BadFile::PngBomb, BadFile::RemovedAfterListing));

TEST_F(ShowList, BrowsingStartsAtHomeAndFindsAFolderByItsNameBelowTheWayDownToIt) {
    EXPECT_EQ(tray->Drive1->itemData(0).toString(), "/");
    EXPECT_EQ(tray->browser().folder(), QDir::homePath());
    EXPECT_EQ(tray->Drive1->currentData().toString(), QDir::homePath());
    // A drive that is not ready falls back to the first one, silently.
    tray->Drive1->addItem("unplugged", images.filePath("unplugged"));
    tray->Drive1->setCurrentIndex(tray->Drive1->count() - 1);
    EXPECT_EQ(tray->Drive1->currentIndex(), 0);
    EXPECT_EQ(tray->browser().folder(), "/");
    QDir(images.path()).mkpath("Holiday/Beach");
    writeImage(images.filePath("Holiday"), "sea.png", 10, 10);
    images.write("Holiday/.hidden.png", "");
    tray->browser().openFolder(images.path());
    // Typing a name finds the folder; Enter opens it, as a double click does.
    QTest::keyClicks(tray->Dir1, "Holi");
    QTest::keyClick(tray->Dir1, Qt::Key_Return);
    EXPECT_EQ(tray->browser().folder(), images.filePath("Holiday"));
    EXPECT_EQ(texts(tray->File1), QStringList{"sea.png"});
    // The last lines: the open folder, then the folder inside it, one step further in.
    const int last = tray->Dir1->count() - 1;
    const QListWidgetItem *open = tray->Dir1->item(last - 1), *inside = tray->Dir1->item(last);
    EXPECT_EQ(QStringList({open->text(), inside->text()}), QStringList({"Holiday", "Beach"}));
    EXPECT_EQ(inside->data(showlist::FolderLineDelegate::kDepthRole).toInt(),
              open->data(showlist::FolderLineDelegate::kDepthRole).toInt() + 1);
}

struct SaveCase {
    const char *file, *target, *entry;
    bool copied;  // a bitmap is copied as it is; anything else converted, to fit if asked
};

class SaveSelection : public ShowList, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveSelection, AddsAnEntryNamedBeforeTheFirstDotWithItsTimeAndUsesTheSelectionUp) {
    const SaveCase& c = GetParam();
    const QString source = writeImage(images.path(), c.file, 320, 240);
    folder.write(c.target, "an older file, overwritten");
    clickFile(c.file, images.path());
    tray->ComboTime->setEditText("120");
    save(c.copied ? std::nullopt : std::optional(Answer::Yes));
    tray->ComboTime->setEditText("240");
    save();
    const QString target = folder.filePath(c.target);
    EXPECT_EQ(entries(), QStringList{QString(c.entry) + "|" + target + "|120"});
    // The file is still highlighted; clicking it again selects it again.
    clickFile(c.file);
    save(c.copied ? std::nullopt : std::optional(Answer::Yes));
    EXPECT_EQ(entries(), QStringList({QString(c.entry) + "|" + target + "|120",
                                      QString(c.entry) + "|" + target + "|240"}));
    if (c.copied)
        EXPECT_EQ(fileBytes(target), fileBytes(source));
    else
        EXPECT_EQ(bitmapSize(target), QSize(1024, 768));
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    expectSelected({"", "", "", "", ""});
}

INSTANTIATE_TEST_SUITE_P(, SaveSelection,
                         ::testing::Values(SaveCase{"Sunset.bmp", "Sunset.bmp", "Sunset", true},
                                           SaveCase{"Sunset.BMP", "Sunset.BMP", "Sunset", true},
                                           SaveCase{"Sunset.bMp", "Sunset.bMp", "Sunset", true},
                                           SaveCase{"photo.jpg", "photo.BMP", "photo", false},
                                           SaveCase{"my.picture.png", "my.BMP", "my", false},
                                           SaveCase{"noextension", "noextension.BMP", "noextension",
                                                    false},
                                           SaveCase{"scan.bmp.png", "scan.BMP", "scan", false}));

TEST_F(ShowList, AClickOnAnEntryShowsItWithItsTimeAndItCanBeSavedAgainAtItsOwnSize) {
    addEntry("gone", images.filePath("gone.png"), "60");
    const QString two = writeImage(folder.path(), "two.BMP", 300, 200);
    addEntry("two", two, "90");
    writeImage(images.path(), "one.png", 50, 50);
    clickFile("one.png", images.path());
    clickEntry(1);
    EXPECT_EQ(tray->ComboTime->currentText(), "90");
    EXPECT_EQ(previewSize(), QSize(276, 204));
    // Time and size stay those of the file clicked before.
    expectSelected({two, "two", "15", "50"});
    // The entry's own bitmap, converted onto itself answered No: a second entry, same size.
    save(Answer::No);
    EXPECT_EQ(entries().mid(1), QStringList({"two|" + two + "|90", "two|" + two + "|90"}));
    EXPECT_EQ(bitmapSize(two), QSize(300, 200));
    expectSelected({"", ""});
    clickEntry(1);  // still highlighted: a click all the same
    expectSelected({two, "two"});
    markPreview();
    clickEntry(0);  // its file is gone: silence
    EXPECT_TRUE(previewIsMarker());
    EXPECT_EQ(tray->ComboTime->currentText(), "60");
    EXPECT_EQ(tray->HiddenList1->currentRow(), 0);
    EXPECT_EQ(tray->HiddenList2->currentRow(), 0);
    EXPECT_EQ(tray->selectedImage().FileName, images.filePath("gone.png"));
}

TEST_F(ShowList, WhatCannotBeSavedAddsNothingAndDestroysNothing) {
    tray->cmdSaveImg->click();  // nothing selected: Save Setup stays as it was
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    writeImage(images.path(), "ab", 20, 20);  // too short a name to have a type
    clickFile("ab", images.path());
    saveNothing();
    const QString own = writeImage(folder.path(), "Here.bmp", 40, 40);
    const QByteArray before = fileBytes(own);
    clickFile("Here.bmp", folder.path());  // already the program folder's copy
    saveNothing();
    EXPECT_EQ(fileBytes(own), before);
    QFile::remove(own);
    images.write("notes.png", "plain words");
    expectUnknownFormat();
    clickFile("notes.png", images.path());
    saveNothing(Answer::Yes);
    // Neither a conversion nor a copy can be written over a folder.
    for (const char* name : {"photo.BMP", "copy.bmp"}) QDir(folder.path()).mkdir(name);
    writeImage(images.path(), "photo.png", 20, 20);
    writeImage(images.path(), "copy.bmp", 20, 20);
    clickFile("photo.png", images.path());
    saveNothing(Answer::No);
    clickFile("copy.bmp");
    saveNothing();
    for (const char* name : {"photo.BMP", "copy.bmp"}) QDir(folder.path()).rmdir(name);
    // Names from a hand-edited store.
    for (const char* name : {"../escape", "sub/dir.bmp"}) {
        tray->showLists().clear();
        addEntry(name, writeImage(images.path(), "real.png", 20, 20), "5");
        clickEntry(0);
        saveNothing();
    }
    EXPECT_FALSE(QFile::exists(folder.path() + "/../escape.BMP"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"ZARN.DAT"});
}

}  // namespace
