#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <QFile>

#include "showlist/RecordSet.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using showlist::RecordSet;
using showlist::StoreError;
using testing_support::readStore;
using testing_support::StoredRecord;
using testing_support::TempFolder;
using testing_support::writeStore;

QString field(RecordSet& store, const char* name) {
    return store.Fields(QLatin1String(name)).value_or(QStringLiteral("<null>"));
}

std::vector<StoredRecord> threeRecords() {
    return {{QStringLiteral("/p/a.bmp"), QStringLiteral("a"), QStringLiteral("2"), std::nullopt},
            {QStringLiteral("/p/b.bmp"), QStringLiteral("b"), QStringLiteral("5"), std::nullopt},
            {QStringLiteral("/p/c.bmp"), QStringLiteral("c"), QStringLiteral("10"), std::nullopt}};
}

TEST(RecordSet, CreatesAMissingStoreWithItsTableAndStartsEmpty) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    RecordSet store;
    store.open(path);
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.RecordCount(), 0);
    EXPECT_TRUE(store.Eof());
    EXPECT_THROW(store.MoveFirst(), StoreError);
    EXPECT_THROW(store.MoveLast(), StoreError);
    EXPECT_THROW(store.MoveNext(), StoreError);
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    EXPECT_TRUE(readStore(path).empty());
}

TEST(RecordSet, WalksRecordsInTheOrderTheyWereAdded) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    RecordSet store;
    store.open(path);
    ASSERT_EQ(store.RecordCount(), 3);
    QStringList seen;
    for (store.MoveFirst(); !store.Eof(); store.MoveNext()) seen << field(store, "Image");
    EXPECT_EQ(seen, (QStringList{"a", "b", "c"}));
    EXPECT_THROW(store.MoveNext(), StoreError);
    store.MoveLast();
    EXPECT_EQ(field(store, "Path"), "/p/c.bmp");
    EXPECT_EQ(field(store, "Setup"), "<null>");
    EXPECT_THROW(store.Fields(QStringLiteral("NoSuchColumn")), StoreError);
}

TEST(RecordSet, AfterDeleteMoveNextGoesToTheFollowingRecord) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    RecordSet store;
    store.open(path);
    store.MoveFirst();
    store.Delete();
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    store.MoveNext();
    EXPECT_EQ(field(store, "Image"), "b");
    store.MoveLast();
    store.Delete();
    store.MoveNext();
    EXPECT_TRUE(store.Eof());
    EXPECT_EQ(store.RecordCount(), 1);
    ASSERT_EQ(readStore(path).size(), 1u);
    EXPECT_EQ(readStore(path)[0].image, QStringLiteral("b"));
}

TEST(RecordSet, AddNewAppendsWithoutMovingTheCursorAndEditChangesOnlyTheCurrentRecord) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    RecordSet store;
    store.open(path);
    store.MoveFirst();
    store.MoveNext();
    store.AddNew();
    store.setField(QStringLiteral("Path"), QStringLiteral("/p/d.bmp"));
    store.setField(QStringLiteral("Image"), QStringLiteral("d"));
    store.setField(QStringLiteral("ViewTime"), QStringLiteral("15"));
    store.Update();
    EXPECT_EQ(field(store, "Image"), "b");
    store.Edit();
    store.setField(QStringLiteral("Setup"), QStringLiteral("/p/c.bmp"));
    store.Update();
    EXPECT_THROW(store.Update(), StoreError);

    auto expected = threeRecords();
    expected[1].setup = QStringLiteral("/p/c.bmp");
    expected.push_back(
        {QStringLiteral("/p/d.bmp"), QStringLiteral("d"), QStringLiteral("15"), std::nullopt});
    EXPECT_EQ(readStore(path), expected);

    // Past the end, an appended record does not bring the cursor back.
    store.MoveLast();
    store.MoveNext();
    store.AddNew();
    store.setField(QStringLiteral("Path"), QStringLiteral("/p/e.bmp"));
    store.Update();
    EXPECT_TRUE(store.Eof());
}

TEST(RecordSet, RollbackRestoresTheRecordsOfBeforeTheTransaction) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    RecordSet store;
    store.open(path);
    store.BeginTrans();
    store.MoveFirst();
    store.Delete();
    store.Rollback();
    EXPECT_EQ(store.RecordCount(), 3);
    EXPECT_EQ(field(store, "Image"), "a");
    EXPECT_EQ(readStore(path), threeRecords());
}

TEST(RecordSet, KeepsTextThatIsNotAscii) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    const QString name = QString::fromUtf8("/home/zoë/Fotos/Ähre 東京 'x\".bmp");
    RecordSet store;
    store.open(path);
    store.AddNew();
    store.setField(QStringLiteral("Path"), name);
    store.Update();
    store.MoveFirst();
    EXPECT_EQ(field(store, "Path"), name);
}

// Files that exist but are no usable store: each must leave the record set closed and the
// file exactly as it was.
struct UnusableStore {
    const char* name;
    std::function<void(const QString&)> make;
};

class UnusableStoreFile : public ::testing::TestWithParam<UnusableStore> {};

TEST_P(UnusableStoreFile, StaysClosedAndIsNeverTouched) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    GetParam().make(path);
    const QByteArray before = testing_support::fileBytes(path);
    RecordSet store;
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_FALSE(store.isOpen());
    EXPECT_THROW(store.RecordCount(), StoreError);
    EXPECT_THROW(store.refresh(), StoreError);
    EXPECT_EQ(testing_support::fileBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableStoreFile,
    ::testing::Values(
        UnusableStore{"Garbage",
                      [](const QString& path) {
                          QFile f(path);
                          ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                          f.write(QByteArray(4096, '\x5a') + "not a database");
                      }},
        UnusableStore{"ZeroBytes",
                      [](const QString& path) {
                          QFile f(path);
                          ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                      }},
        UnusableStore{"OtherSchema",
                      [](const QString& path) {
                          testing_support::executeSql(
                              path, QStringLiteral("CREATE TABLE ACCOUNTS (Name TEXT, Amount INT);"
                                                   "INSERT INTO ACCOUNTS VALUES ('x', 1);"));
                      }},
        UnusableStore{"MissingColumn",
                      [](const QString& path) {
                          testing_support::executeSql(
                              path, QStringLiteral("CREATE TABLE WALLPAPER (Path TEXT, Image TEXT, "
                                                   "ViewTime TEXT)"));
                      }},
        UnusableStore{"ViewNotTable",
                      [](const QString& path) {
                          testing_support::executeSql(
                              path, QStringLiteral("CREATE TABLE T (a); CREATE VIEW WALLPAPER AS "
                                                   "SELECT a AS Path, a AS Image, a AS ViewTime, "
                                                   "a AS Setup FROM T WHERE 0"));
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordSet, AReadOnlyStoreIsUnusableAndUntouched) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    QFile::setPermissions(path, QFile::ReadOwner);
    const QByteArray before = testing_support::fileBytes(path);
    RecordSet store;
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_EQ(testing_support::fileBytes(path), before);
}

TEST(RecordSet, AStoreLockedByAnotherProgramIsUnusableAndUntouched) {
    TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    writeStore(path, threeRecords());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    RecordSet store;
    EXPECT_THROW(store.open(path), StoreError);
    EXPECT_FALSE(store.isOpen());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(readStore(path), threeRecords());
}

TEST(RecordSet, AStoreInAFolderThatCannotBeCreatedStaysClosed) {
    TempFolder folder;
    RecordSet store;
    EXPECT_THROW(store.open(folder.filePath(QStringLiteral("no/such/folder/ZARN.DAT"))),
                 StoreError);
    EXPECT_FALSE(store.isOpen());
}

}  // namespace
