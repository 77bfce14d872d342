#include <QDir>
#include <QFile>

#include "ShowListWindowFixture.h"

namespace {

using testing_support::ShowListWindowTest;
using testing_support::TempFolder;

struct MoveCase {
    int entries, selected, step;  // selected -1: none; step -1: Move Up, +1: Move Down
    QString order;
    int selectedAfter;
};

class MoveEntries : public ShowListWindowTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveEntries, SwapInAllThreeListsAndKeepTheMovedEntrySelected) {
    const MoveCase& c = GetParam();
    for (int i = 1; i <= c.entries; ++i)
        addEntry(QString("N%1").arg(i), QString("/p%1").arg(i), QString::number(i));
    if (c.selected >= 0) tray->ShowList->setCurrentRow(c.selected);
    (c.step < 0 ? tray->cmdMoveUp : tray->cmdMoveDn)->click();

    QStringList want;
    for (const QChar n : c.order) want << QString("N%1|/p%1|%1").arg(n);
    EXPECT_EQ(entries(), want);
    if (c.selectedAfter < 0) return;
    for (QListWidget* list : {tray->ShowList, tray->HiddenList1, tray->HiddenList2})
        EXPECT_EQ(list->currentRow(), c.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    , MoveEntries,
    ::testing::Values(MoveCase{3, 1, -1, "213", 0}, MoveCase{3, 1, +1, "132", 2},
                      MoveCase{3, 0, -1, "123", 0}, MoveCase{3, 2, +1, "123", 2},
                      MoveCase{1, 0, -1, "1", 0}, MoveCase{1, 0, +1, "1", 0},
                      MoveCase{3, -1, -1, "123", -1}, MoveCase{3, -1, +1, "123", -1}));

using MoveLongLists = ShowListWindowTest;

TEST_F(MoveLongLists, KeepEveryEntryOfAListLongerThan201) {
    QStringList want;
    for (int i = 0; i < 300; ++i) {
        const QString name = i == 150 ? QString() : QString("N%1").arg(i);  // empty names too
        addEntry(name, QString("/p%1").arg(i), QString::number(i));
        want << name + QString("|/p%1|%1").arg(i);
    }
    tray->ShowList->setCurrentRow(299);
    tray->cmdMoveUp->click();
    tray->ShowList->setCurrentRow(150);
    tray->cmdMoveDn->click();
    want.swapItemsAt(298, 299);
    want.swapItemsAt(150, 151);
    EXPECT_EQ(entries(), want);
}

class DeleteEntries : public ShowListWindowTest {
protected:
    QString addWithFile(const QString& name) {
        const QString path = folder.write(name + ".BMP", "bitmap");
        addEntry(name, path, "15");
        return path;
    }
    void deleteRow(int row) {
        if (row >= 0) tray->ShowList->setCurrentRow(row);
        tray->cmdSaveSetup->setEnabled(false);
        markPreview();
        tray->cmdDelete->click();
    }
};

TEST_F(DeleteEntries, RemoveTheEntryAndItsBitmapOrNothingWhenNoneIsSelected) {
    const QString a = addWithFile("A"), b = addWithFile("B");
    deleteRow(-1);
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(previewIsMarker());
    deleteRow(0);
    EXPECT_TRUE(tray->picPreview->pixmap().isNull());
    deleteRow(-1);  // the neighbour is not selected in its place
    EXPECT_EQ(entries(), QStringList{"B|" + b + "|15"});
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(b));
}

TEST_F(DeleteEntries, LeaveTheRemainingListSavableAndAnEmptyOneNot) {
    const QString a = addWithFile("A");
    addWithFile("B");
    deleteRow(-1);
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    deleteRow(1);
    ASSERT_TRUE(tray->cmdSaveSetup->isEnabled());
    tray->cmdSaveSetup->click();
    const std::vector<testing_support::StoredRecord> saved = {{a, "A", "15", {}}};
    EXPECT_EQ(stored(), saved);
    tray->show();  // activation reloads the saved list
    deleteRow(0);
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
    EXPECT_FALSE(QFile::exists(a));
}

TEST_F(DeleteEntries, TheLastEntryTakesEveryBitmapOfTheProgramFolderAndNothingElse) {
    addWithFile("Only");
    for (const char* name : {"other.BMP", "lower.bmp", "Mixed.Bmp", "notes.txt"})
        folder.write(name, "x");
    QDir(folder.path()).mkdir("sub");
    const QString nested = folder.write("sub/keep.bmp", "keep");
    deleteRow(0);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"notes.txt", "ZARN.DAT"}));
    EXPECT_TRUE(QFile::exists(nested));
}

TEST_F(DeleteEntries, AMissingFileLeavesThePreviewAndTheOtherBitmaps) {
    addEntry("Gone", inProgramFolder("Gone.BMP"), "5");
    const QString kept = folder.write("Kept.BMP", "x");
    deleteRow(0);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_TRUE(previewIsMarker());
    EXPECT_TRUE(QFile::exists(kept));
}

// Paths a store may hold that lead out of the program folder, or to the store itself.
enum class Hostile { OtherFolder, DotDot, Relative, ThroughLink, TheStore };

class DeleteNeverLeavesTheProgramFolder : public DeleteEntries,
                                          public ::testing::WithParamInterface<Hostile> {};

TEST_P(DeleteNeverLeavesTheProgramFolder, TheNamedFileStays) {
    TempFolder elsewhere;
    const QString victim = elsewhere.write("victim.bmp", "precious");
    const QMap<Hostile, QString> stored = {
        {Hostile::OtherFolder, victim},
        {Hostile::DotDot,
         folder.path() + "/../" + QFileInfo(elsewhere.path()).fileName() + "/victim.bmp"},
        {Hostile::Relative, "victim.bmp"},
        {Hostile::ThroughLink, inProgramFolder("link/victim.bmp")},
        {Hostile::TheStore, storePath()}};
    ASSERT_TRUE(QFile::link(elsewhere.path(), inProgramFolder("link")));
    // A relative path would resolve against the working folder: make that the victim's.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    addEntry("victim", stored[GetParam()], "5");
    deleteRow(0);
    QDir::setCurrent(workingFolder);

    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(testing_support::fileBytes(victim), "precious");
    EXPECT_TRUE(QFile::exists(storePath()));
}

INSTANTIATE_TEST_SUITE_P(, DeleteNeverLeavesTheProgramFolder,
                         ::testing::Values(Hostile::OtherFolder, Hostile::DotDot, Hostile::Relative,
                                           Hostile::ThroughLink, Hostile::TheStore));

}  // namespace
