#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <QFile>
#include <QListWidget>

#include "showlist/RecordSet.h"
#include "showlist/ShowLists.h"
#include "showlist/StoreReader.h"
#include "showlist/StoreWriter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using showlist::RecordSet;
using showlist::StoreError;
using testing_support::readStore;
using Records = std::vector<testing_support::StoredRecord>;

const Records kThree = {{"/p/a.bmp", "a", "2", std::nullopt},
                        {"/p/b.bmp", "b", "5", std::nullopt},
                        {"/p/c.bmp", "c", "10", std::nullopt}};

class Store : public ::testing::Test {
protected:
    void open(const Records& records = kThree) {
        testing_support::writeStore(path, records);
        store.open(path);
    }
    QString field(const char* name) {
        return store.Fields(QLatin1String(name)).value_or(QStringLiteral("<null>"));
    }

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    RecordSet store;
};

TEST_F(Store, CreatesAMissingStoreWithItsTableAndStartsEmpty) {
    store.open(path);
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.RecordCount(), 0);
    EXPECT_TRUE(store.Eof());
    for (const auto move : {&RecordSet::MoveFirst, &RecordSet::MoveLast, &RecordSet::MoveNext})
        EXPECT_THROW((store.*move)(), StoreError);
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    EXPECT_TRUE(readStore(path).empty());
}

TEST_F(Store, WalksRecordsInTheOrderTheyWereAdded) {
    open();
    ASSERT_EQ(store.RecordCount(), 3);
    QStringList seen;
    for (store.MoveFirst(); !store.Eof(); store.MoveNext()) seen << field("Image");
    EXPECT_EQ(seen, (QStringList{"a", "b", "c"}));
    EXPECT_THROW(store.MoveNext(), StoreError);
    store.MoveLast();
    EXPECT_EQ(field("Path"), "/p/c.bmp");
    EXPECT_EQ(field("Setup"), "<null>");
    EXPECT_THROW(store.Fields(QStringLiteral("NoSuchColumn")), StoreError);
}

// The record set keeps its statements prepared; none may keep the file locked
// for others.
TEST_F(Store, ReadingLeavesTheStoreFreeForOtherPrograms) {
    open();
    QListWidget names, paths, times;
    showlist::ShowLists lists(&names, &paths, &times);
    showlist::fillLists(store, lists);
    EXPECT_EQ(lists.count(), 3);
    store.MoveLast();
    EXPECT_EQ(field("Image"), "c");
    EXPECT_THROW(store.readTogether([] { throw StoreError("a read that failed"); }), StoreError);
    testing_support::StoreLock other(path);  // fails the test if it cannot lock the file
    other.release();
    EXPECT_EQ(field("Path"), "/p/c.bmp");
}

TEST_F(Store, AfterDeleteMoveNextGoesToTheFollowingRecord) {
    open();
    store.Delete();
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    store.MoveNext();
    EXPECT_EQ(field("Image"), "b");
    store.MoveLast();
    store.Delete();
    store.MoveNext();
    EXPECT_TRUE(store.Eof());
    EXPECT_EQ(store.RecordCount(), 1);
    EXPECT_EQ(readStore(path), Records{kThree[1]});
}

TEST_F(Store, AddNewAppendsWithoutMovingTheCursorAndEditChangesOnlyTheCurrentRecord) {
    open();
    store.MoveNext();
    // Text beyond ASCII must come back as it went in.
    const QString name = QString::fromUtf8("/home/zoë/Fotos/Ähre 東京 'x\".bmp");
    store.AddNew();
    store.setField(QStringLiteral("Path"), QStringLiteral("/p/d.bmp"));
    store.setField(QStringLiteral("Image"), name);
    store.setField(QStringLiteral("ViewTime"), QStringLiteral("15"));
    store.Update();
    EXPECT_EQ(field("Image"), "b");
    store.Edit();
    store.setField(QStringLiteral("Setup"), QStringLiteral("/p/c.bmp"));
    store.Update();
    EXPECT_THROW(store.Update(), StoreError);

    Records expected = kThree;
    expected[1].setup = QStringLiteral("/p/c.bmp");
    expected.push_back({"/p/d.bmp", name, "15", std::nullopt});
    EXPECT_EQ(readStore(path), expected);
    store.MoveLast();
    EXPECT_EQ(field("Image"), name);

    // Past the end, an appended record does not bring the cursor back.
    store.MoveNext();
    store.AddNew();
    store.setField(QStringLiteral("Path"), QStringLiteral("/p/e.bmp"));
    store.Update();
    EXPECT_TRUE(store.Eof());
}

TEST_F(Store, RollbackRestoresTheRecordsOfBeforeTheTransaction) {
    open();
    store.BeginTrans();
    store.Delete();
    store.Rollback();
    EXPECT_EQ(store.RecordCount(), 3);
    EXPECT_EQ(field("Image"), "a");
    EXPECT_EQ(readStore(path), kThree);
}

// Files that exist but are no usable store: each must leave the record set
// closed and the file exactly as it was.
struct UnusableStore {
    const char* name;
    QByteArray bytes;           // the file's contents, unless
    const char* sql = nullptr;  // it is made by this SQL
};

void PrintTo(const UnusableStore& file, std::ostream* out) { *out << file.name; }

class UnusableStoreFile : public Store, public ::testing::WithParamInterface<UnusableStore> {};

TEST_P(UnusableStoreFile, StaysClosedAndIsNeverTouched) {
    if (GetParam().sql)
        testing_support::executeSql(path, QString::fromUtf8(GetParam().sql));
    else
        folder.write(QStringLiteral("ZARN.DAT"), GetParam().bytes);
    const QByteArray before = testing_support::fileBytes(path);
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_FALSE(store.isOpen());
    EXPECT_THROW(store.RecordCount(), StoreError);
    EXPECT_THROW(store.refresh(), StoreError);
    EXPECT_EQ(testing_support::fileBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableStoreFile,
    ::testing::Values(
        UnusableStore{"Garbage", QByteArray(4096, '\x5a') + "not a database"},
        UnusableStore{"ZeroBytes", ""},
        UnusableStore{"OtherSchema",
                      {},
                      "CREATE TABLE ACCOUNTS (Name TEXT, Amount INT);"
                      "INSERT INTO ACCOUNTS VALUES ('x', 1);"},
        UnusableStore{
            "MissingColumn", {}, "CREATE TABLE WALLPAPER (Path TEXT, Image TEXT, ViewTime TEXT)"},
        UnusableStore{"ViewNotTable",
                      {},
                      "CREATE TABLE T (a); CREATE VIEW WALLPAPER AS SELECT a "
                      "AS Path, a AS Image,"
                      " a AS ViewTime, a AS Setup FROM T WHERE 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Store, AReadOnlyStoreIsUnusableAndUntouched) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
    testing_support::writeStore(path, kThree);
    QFile::setPermissions(path, QFile::ReadOwner);
    const QByteArray before = testing_support::fileBytes(path);
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_EQ(testing_support::fileBytes(path), before);
}

TEST_F(Store, AStoreLockedByAnotherProgramIsUnusableAndUntouched) {
    testing_support::writeStore(path, kThree);
    testing_support::StoreLock other(path);
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_FALSE(store.isOpen());
    other.release();
    EXPECT_EQ(readStore(path), kThree);
}

TEST_F(Store, AStoreInAFolderThatCannotBeCreatedStaysClosed) {
    EXPECT_THROW(store.open(folder.filePath(QStringLiteral("no/such/folder/ZARN.DAT"))),
                 StoreError);
    EXPECT_FALSE(store.isOpen());
}

// Writing the show list back into an open store of two records. (What a
// successful write, recordWallPaper, emptyStore and savedWallPaper leave in the
// store is checked through the tray window's own tests, which compare the whole
// store.)
class StoreWriting : public Store {
protected:
    void SetUp() override { open(old); }

    QListWidget names, paths, times;
    showlist::ShowLists lists{&names, &paths, &times};
    const Records old = {{"/old/1.bmp", "1", "2", "/old/2.bmp"},
                         {"/old/2.bmp", "2", "2", std::nullopt}};
};

TEST_F(StoreWriting, AFailureHalfWayLeavesTheOldListWhole) {
    // The store refuses the second new record, as a full disk or a broken file
    // would.
    testing_support::executeSql(path,
                                QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON WALLPAPER "
                                               "WHEN NEW.Image = 'refused' BEGIN SELECT "
                                               "RAISE(ABORT, 'refused'); END"));
    store.refresh();
    lists.append({QStringLiteral("fine"), QStringLiteral("/n/fine.bmp"), QStringLiteral("5")});
    lists.append({QStringLiteral("refused"), QStringLiteral("/n/x.bmp"), QStringLiteral("5")});
    EXPECT_THROW(showlist::writeShowList(store, lists), StoreError);
    EXPECT_EQ(readStore(path), old);
    // The record set still works on the old list.
    EXPECT_EQ(store.RecordCount(), 2);
    EXPECT_EQ(showlist::savedWallPaper(store), QStringLiteral("/old/2.bmp"));
}

// The wallpaper showing at exit goes into the first record, and is what the
// next start reads.
TEST_F(StoreWriting, TheExitRecordIsTheFirstRecordsSetup) {
    showlist::recordWallPaper(store, QStringLiteral("/n/shown.bmp"));
    EXPECT_EQ(readStore(path), (Records{{"/old/1.bmp", "1", "2", "/n/shown.bmp"}, old[1]}));
    testing_support::executeSql(path, QStringLiteral("UPDATE WALLPAPER SET Setup = ''"));
    EXPECT_EQ(showlist::savedWallPaper(store), QStringLiteral("/old/1.bmp")) << "else the first";
}

TEST_F(StoreWriting, FindPathMatchesTheWholeTextWithCase) {
    EXPECT_TRUE(showlist::findPath(store, QStringLiteral("/old/2.bmp")));
    EXPECT_EQ(field("Image"), "2");
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/OLD/2.bmp")));
    EXPECT_TRUE(store.Eof());
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/old/2.bm")));
}

}  // namespace
