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
using testing_support::executeSql;
using testing_support::fileBytes;
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
    QString field(const char* name = "Path") {
        return store.Fields(QLatin1String(name)).value_or(QStringLiteral("<null>"));
    }
    void write(void (RecordSet::*begin)(), const testing_support::StoredRecord& r) {
        (store.*begin)();
        for (const auto& [name, value] :
             {std::pair{"Path", r.path}, std::pair{"Image", r.image},
              std::pair{"ViewTime", r.viewTime}, std::pair{"Setup", r.setup}})
            if (value) store.setField(QLatin1String(name), value);
        store.Update();
    }

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    RecordSet store;
    QListWidget names, paths, times;
    showlist::ShowLists lists{&names, &paths, &times};
};

// The prepared statements never keep the file locked for other programs.
TEST_F(Store, IsMadeWhenMissingAndWalkedAddedToEditedAndDeletedWithoutLockingOthersOut) {
    store.open(path);
    EXPECT_EQ(std::tuple(store.isOpen(), store.RecordCount(), store.Eof()),
              std::tuple(true, 0, true));
    for (const auto move : {&RecordSet::MoveFirst, &RecordSet::MoveLast, &RecordSet::MoveNext})
        EXPECT_THROW((store.*move)(), StoreError);
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    EXPECT_TRUE(readStore(path).empty());
    store.close();
    QFile::remove(path);
    open();
    QStringList seen;
    for (store.MoveFirst(); !store.Eof(); store.MoveNext()) seen << field("Image");
    EXPECT_EQ(seen, (QStringList{"a", "b", "c"}));
    EXPECT_THROW(store.MoveNext(), StoreError);
    store.MoveLast();
    EXPECT_EQ(std::pair(field(), field("Setup")),
              std::pair(QString("/p/c.bmp"), QString("<null>")));
    EXPECT_THROW(store.Fields(QStringLiteral("NoSuchColumn")), StoreError);
    showlist::fillLists(store, lists);
    EXPECT_EQ(lists.count(), 3);
    store.MoveLast();
    EXPECT_THROW(store.readTogether([] { throw StoreError("a read that failed"); }), StoreError);
    testing_support::StoreLock other(path);  // fails the test if it cannot lock the file
    other.release();
    EXPECT_EQ(field(), "/p/c.bmp");

    // Text beyond ASCII comes back as it went in; AddNew leaves the cursor where it was, even
    // past the end; after a Delete, MoveNext goes to the record that followed.
    store.MoveFirst();
    store.MoveNext();
    const QString name = QString::fromUtf8("/home/zoë/Fotos/Ähre 東京 'x\".bmp");
    write(&RecordSet::AddNew, {"/p/d.bmp", name, "15", std::nullopt});
    EXPECT_EQ(field("Image"), "b");
    write(&RecordSet::Edit, {std::nullopt, std::nullopt, std::nullopt, "/p/c.bmp"});
    EXPECT_THROW(store.Update(), StoreError);
    Records expected = kThree;
    expected[1].setup = QStringLiteral("/p/c.bmp");
    expected.push_back({"/p/d.bmp", name, "15", std::nullopt});
    EXPECT_EQ(readStore(path), expected);
    store.MoveLast();
    EXPECT_EQ(field("Image"), name);
    store.MoveNext();
    write(&RecordSet::AddNew, {"/p/e.bmp", std::nullopt, std::nullopt, std::nullopt});
    EXPECT_TRUE(store.Eof());
    expected.push_back({"/p/e.bmp", std::nullopt, std::nullopt, std::nullopt});

    store.BeginTrans();
    store.MoveFirst();
    store.Delete();
    store.Rollback();
    EXPECT_EQ(std::pair(store.RecordCount(), field("Image")), std::pair(5, QString("a")));
    EXPECT_EQ(readStore(path), expected);
    store.Delete();
    EXPECT_THROW(store.Fields(QStringLiteral("Path")), StoreError);
    store.MoveNext();
    EXPECT_EQ(field("Image"), "b");
    store.MoveLast();
    store.Delete();
    store.MoveNext();
    EXPECT_TRUE(store.Eof());
    EXPECT_EQ(readStore(path), Records(expected.begin() + 1, expected.end() - 1));
}

TEST_F(Store, AFileThatIsNoUsableStoreStaysClosedAndIsNeverTouched) {
    // Bytes, or the SQL that makes the file.
    for (const QByteArray& content :
         {QByteArray(4096, '\x5a') + "not a database", QByteArray(),
          QByteArray("CREATE TABLE ACCOUNTS (Name TEXT, Amount INT); INSERT INTO ACCOUNTS VALUES "
                     "('x', 1);"),
          QByteArray("CREATE TABLE WALLPAPER (Path TEXT, Image TEXT, ViewTime TEXT)"),
          QByteArray("CREATE TABLE T (a); CREATE VIEW WALLPAPER AS SELECT a AS Path, a AS Image, "
                     "a AS ViewTime, a AS Setup FROM T WHERE 0")}) {
        QFile::remove(path);
        content.startsWith("CREATE") ? executeSql(path, content)
                                     : void(folder.write("ZARN.DAT", content));
        const QByteArray before = fileBytes(path);
        EXPECT_THROW(store.open(path), StoreError) << content.left(20).toStdString();
        EXPECT_FALSE(store.isOpen());
        EXPECT_THROW(store.RecordCount(), StoreError);
        EXPECT_THROW(store.refresh(), StoreError);
        EXPECT_EQ(fileBytes(path), before);
    }
    EXPECT_THROW(store.open(folder.filePath("no/such/folder/ZARN.DAT")), StoreError);
    QFile::remove(path);
    testing_support::writeStore(path, kThree);
    {
        testing_support::StoreLock other(path);
        EXPECT_THROW(store.open(path), StoreError) << "locked by another program";
    }
    EXPECT_EQ(readStore(path), kThree);
    if (::geteuid() == 0) return;  // file permissions do not bind the superuser
    QFile::setPermissions(path, QFile::ReadOwner);
    const QByteArray before = fileBytes(path);
    EXPECT_THROW(store.open(path), StoreError) << "read-only";
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(Store, TheShowListIsWrittenWholeOrNotAtAllAndTheExitRecordIsTheFirstRecordsSetup) {
    const Records old = {{"/old/1.bmp", "1", "2", "/old/2.bmp"},
                         {"/old/2.bmp", "2", "2", std::nullopt}};
    open(old);
    // The store refuses the second new record, as a full disk or a broken file would.
    executeSql(path,
               "CREATE TRIGGER refuse BEFORE INSERT ON WALLPAPER WHEN NEW.Image = 'refused' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    store.refresh();
    for (const char* image : {"fine", "refused"}) lists.append({image, "/n/x.bmp", "5"});
    EXPECT_THROW(showlist::writeShowList(store, lists), StoreError);
    EXPECT_EQ(readStore(path), old);
    EXPECT_EQ(std::pair(store.RecordCount(), showlist::savedWallPaper(store)),
              std::pair(2, QString("/old/2.bmp")));
    showlist::recordWallPaper(store, QStringLiteral("/n/shown.bmp"));
    EXPECT_EQ(readStore(path), (Records{{"/old/1.bmp", "1", "2", "/n/shown.bmp"}, old[1]}));
    executeSql(path, QStringLiteral("UPDATE WALLPAPER SET Setup = ''"));
    EXPECT_EQ(showlist::savedWallPaper(store), QStringLiteral("/old/1.bmp")) << "else the first";
    // A find matches the whole text with case.
    EXPECT_TRUE(showlist::findPath(store, QStringLiteral("/old/2.bmp")));
    EXPECT_EQ(field("Image"), "2");
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/OLD/2.bmp")));
    EXPECT_TRUE(store.Eof());
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/old/2.bm")));
    // The store's own writes are no reason to read it again.
    executeSql(path, "DROP TRIGGER refuse");
    store.refresh();
    lists.clear();
    for (const char* p : {"/n/1", "/n/2", "/n/3"}) lists.append({"n", p, "5"});
    showlist::writeShowList(store, lists);
    showlist::recordWallPaper(store, QStringLiteral("/n/2"));
    EXPECT_FALSE(store.followOutsideChanges());
    store.MoveFirst();
    store.MoveNext();
    EXPECT_EQ(field(), "/n/2");
    EXPECT_EQ(readStore(path).size(), 3u);
}

// Another program changes the store under the cursor, after a change of the record set's own
// for some ("b-": b deleted, "bB": b's path edited to B); then the records a rotation reaches.
TEST_F(Store, ChangedElsewhereIsCaughtUpWithOnceAndTheNextStepsWalkTheStoredRecords) {
    const QString rewrite = "DELETE FROM WALLPAPER; INSERT INTO WALLPAPER (Path) VALUES ";
    const std::tuple<const char*, QString, const char*> cases[] = {
        {"b", "SELECT * FROM WALLPAPER", "cda"},
        {"b", "DELETE FROM WALLPAPER WHERE Path = 'b'", "cdac"},
        {"d", "DELETE FROM WALLPAPER WHERE Path = 'd'", "abca"},
        {"b", "DELETE FROM WALLPAPER WHERE Path = 'a'", "cdb"},
        {"b", "DELETE FROM WALLPAPER WHERE Path <> 'd'", "dd"},
        {"b", "DELETE FROM WALLPAPER WHERE Path <> 'b'", "bb"},
        {"b", "DELETE FROM WALLPAPER", "--"},
        {"b", "INSERT INTO WALLPAPER (Path) VALUES ('e'), ('f')", "cdefab"},
        // Another copy saving its list writes every record anew, in its own order.
        {"b", rewrite + "('d'), ('b'), ('a')", "adb"},
        {"b", rewrite + "('x'), ('y')", "xyx"},
        // The record is no longer the one the cursor was on; in its place, it comes next.
        {"b", "UPDATE WALLPAPER SET Path = 'B' WHERE Path = 'b'", "Bcda"},
        {"b-", "DELETE FROM WALLPAPER WHERE Path = 'c'", "d"},
        {"bB", rewrite + "('a'), ('c'), ('B'), ('d')", "d"}};
    for (const auto& [start, sql, steps] : cases) {
        SCOPED_TRACE(sql.toStdString());
        store.close();
        QFile::remove(path);
        open({{"a", "a", "0", {}}, {"b", "b", "0", {}}, {"c", "c", "0", {}}, {"d", "d", "0", {}}});
        while (field() != QChar(start[0])) store.MoveNext();
        if (start[1] == '-') store.Delete();
        if (start[1] == 'B')
            write(&RecordSet::Edit, {"B", std::nullopt, std::nullopt, std::nullopt});
        executeSql(path, sql);
        EXPECT_EQ(store.followOutsideChanges(), !sql.startsWith("SELECT"));
        EXPECT_FALSE(store.followOutsideChanges()) << "caught up already";
        QString reached;
        for (size_t i = 0; i < strlen(steps); ++i) {
            try {
                store.MoveNext();
                if (store.Eof()) store.MoveFirst();
                reached += field();
            } catch (const StoreError&) {
                reached += '-';
            }
        }
        EXPECT_EQ(reached, steps);
    }
}

}  // namespace
