#include <gtest/gtest.h>
#include <QListWidget>

#include "showlist/RecordSet.h"
#include "showlist/ShowLists.h"
#include "showlist/StoreWriter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using showlist::RecordSet;
using Records = std::vector<testing_support::StoredRecord>;

const Records kFour = {{"/p/a", "a", "0", std::nullopt},
                       {"/p/b", "b", "0", std::nullopt},
                       {"/p/c", "c", "0", std::nullopt},
                       {"/p/d", "d", "0", std::nullopt}};

// What another program does to the store while the record set has it open, with
// the cursor on one record; the paths the next steps then reach.
struct OutsideChange {
    const char* name;
    int cursor;       // index of the current record when the change is made
    const char* sql;  // run through a connection of its own
    bool reread;
    QStringList steps;
};

void PrintTo(const OutsideChange& change, std::ostream* out) { *out << change.name; }

class ChangedElsewhere : public ::testing::TestWithParam<OutsideChange> {
protected:
    void SetUp() override {
        testing_support::writeStore(path, kFour);
        store.open(path);
        for (int i = 0; i < GetParam().cursor; ++i) store.MoveNext();
        testing_support::executeSql(path, QString::fromUtf8(GetParam().sql));
    }
    // The paths a rotation reaches in n steps: the next record, wrapping to the
    // first.
    QStringList steps(int n) {
        QStringList reached;
        for (int i = 0; i < n; ++i) {
            try {
                store.MoveNext();
                if (store.Eof()) store.MoveFirst();
                reached << store.Fields(QStringLiteral("Path")).value_or(QString());
            } catch (const showlist::StoreError&) {
                reached << QStringLiteral("(none)");
            }
        }
        return reached;
    }

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    RecordSet store;
};

// Caught up with only when another connection committed; then the steps walk
// what is stored.
TEST_P(ChangedElsewhere, IsCaughtUpWithOnceAndTheNextStepsWalkTheStoredRecords) {
    EXPECT_EQ(store.followOutsideChanges(), GetParam().reread);
    EXPECT_FALSE(store.followOutsideChanges()) << "caught up already";
    EXPECT_EQ(steps(int(GetParam().steps.size())), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    , ChangedElsewhere,
    ::testing::Values(
        OutsideChange{"OnlyRead", 1, "SELECT * FROM WALLPAPER", false, {"/p/c", "/p/d", "/p/a"}},
        OutsideChange{"CurrentRowDeleted",
                      1,
                      "DELETE FROM WALLPAPER WHERE Path = '/p/b'",
                      true,
                      {"/p/c", "/p/d", "/p/a", "/p/c"}},
        OutsideChange{"LastRowDeletedWhileCurrent",
                      3,
                      "DELETE FROM WALLPAPER WHERE Path = '/p/d'",
                      true,
                      {"/p/a", "/p/b", "/p/c", "/p/a"}},
        OutsideChange{"EarlierRowDeleted",
                      1,
                      "DELETE FROM WALLPAPER WHERE Path = '/p/a'",
                      true,
                      {"/p/c", "/p/d", "/p/b"}},
        OutsideChange{"AllDeletedButOneOther",
                      1,
                      "DELETE FROM WALLPAPER WHERE Path <> '/p/d'",
                      true,
                      {"/p/d", "/p/d", "/p/d"}},
        OutsideChange{"AllDeletedButTheCurrent",
                      1,
                      "DELETE FROM WALLPAPER WHERE Path <> '/p/b'",
                      true,
                      {"/p/b", "/p/b"}},
        OutsideChange{"AllDeleted", 1, "DELETE FROM WALLPAPER", true, {"(none)", "(none)"}},
        OutsideChange{"RowsAdded",
                      1,
                      "INSERT INTO WALLPAPER (Path) VALUES ('/p/e'), ('/p/f')",
                      true,
                      {"/p/c", "/p/d", "/p/e", "/p/f", "/p/a", "/p/b"}},
        // Another copy saving its list writes every record anew, in its own
        // order.
        OutsideChange{"RewrittenWithTheCurrentPath",
                      1,
                      "DELETE FROM WALLPAPER;"
                      "INSERT INTO WALLPAPER (Path) VALUES ('/p/d'), ('/p/b'), ('/p/a')",
                      true,
                      {"/p/a", "/p/d", "/p/b"}},
        OutsideChange{"RewrittenWithoutTheCurrentPath",
                      1,
                      "DELETE FROM WALLPAPER; INSERT INTO WALLPAPER (Path) "
                      "VALUES ('/p/x'), ('/p/y')",
                      true,
                      {"/p/x", "/p/y", "/p/x"}},
        // The record is no longer the one the cursor was on; in its place, it
        // comes next.
        OutsideChange{"CurrentPathChanged",
                      1,
                      "UPDATE WALLPAPER SET Path = '/p/B' WHERE Path = '/p/b'",
                      true,
                      {"/p/B", "/p/c", "/p/d", "/p/a"}}),
    [](const auto& info) { return std::string(info.param.name); });

class OwnChanges : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::writeStore(path, kFour);
        store.open(path);
    }
    QString current() { return store.Fields(QStringLiteral("Path")).value_or(QString()); }

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
    RecordSet store;
};

TEST_F(OwnChanges, AreNoReasonToReadAgain) {
    QListWidget names, paths, times;
    showlist::ShowLists lists{&names, &paths, &times};
    lists.append({QStringLiteral("n"), QStringLiteral("/n/1"), QStringLiteral("5")});
    lists.append({QStringLiteral("m"), QStringLiteral("/n/2"), QStringLiteral("5")});
    showlist::writeShowList(store, lists);
    showlist::recordWallPaper(store, QStringLiteral("/n/2"));
    EXPECT_FALSE(store.followOutsideChanges());
    store.MoveFirst();
    store.MoveNext();
    EXPECT_EQ(current(), "/n/2");
}

TEST_F(OwnChanges, OurDeleteFollowedByAnOutsideOneStillGoesOnWithTheNextRecordLeft) {
    store.MoveNext();
    store.Delete();  // b
    testing_support::executeSql(path, QStringLiteral("DELETE FROM WALLPAPER WHERE Path = '/p/c'"));
    store.MoveNext();
    EXPECT_EQ(current(), "/p/d");
}

TEST_F(OwnChanges, AnEditedPathIsWhereTheCursorIsFoundAgain) {
    store.MoveNext();
    store.Edit();
    store.setField(QStringLiteral("Path"), QStringLiteral("/p/B"));
    store.Update();
    // Rewritten elsewhere with the record's new path second to last.
    testing_support::executeSql(path, QStringLiteral("DELETE FROM WALLPAPER;"
                                                     "INSERT INTO WALLPAPER (Path) VALUES "
                                                     "('/p/a'), ('/p/c'), ('/p/B'), ('/p/d')"));
    store.MoveNext();
    EXPECT_EQ(current(), "/p/d");
}

}  // namespace
