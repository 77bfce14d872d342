#include <gtest/gtest.h>
#include <QListWidget>

#include "showlist/RecordSet.h"
#include "showlist/ShowLists.h"
#include "showlist/StoreReader.h"
#include "showlist/StoreWriter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using showlist::RecordSet;
using showlist::ShowLists;
using showlist::StoreError;
using testing_support::readStore;
using testing_support::StoredRecord;
using testing_support::TempFolder;
using testing_support::writeStore;

struct Lists {
    QListWidget names, paths, times;
    ShowLists lists{&names, &paths, &times};
};

class StoreWriting : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.filePath(QStringLiteral("ZARN.DAT"));
        writeStore(path, old);
        store.open(path);
    }

    TempFolder folder;
    QString path;
    RecordSet store;
    Lists ui;
    const std::vector<StoredRecord> old = {
        {QStringLiteral("/old/1.bmp"), QStringLiteral("1"), QStringLiteral("2"),
         QStringLiteral("/old/2.bmp")},
        {QStringLiteral("/old/2.bmp"), QStringLiteral("2"), QStringLiteral("2"), std::nullopt}};
};

TEST_F(StoreWriting, ReplacesEveryRecordWithTheListInOrderWithSetupEmpty) {
    ui.lists.append({QStringLiteral("c"), QStringLiteral("/n/c.bmp"), QStringLiteral("240")});
    ui.lists.append({QStringLiteral("a"), QStringLiteral("/n/a.bmp"), QStringLiteral("2")});
    ui.lists.append({QStringLiteral("b"), QStringLiteral("/n/b.bmp"), QStringLiteral("15")});
    showlist::writeShowList(store, ui.lists);
    const std::vector<StoredRecord> expected = {
        {QStringLiteral("/n/c.bmp"), QStringLiteral("c"), QStringLiteral("240"), std::nullopt},
        {QStringLiteral("/n/a.bmp"), QStringLiteral("a"), QStringLiteral("2"), std::nullopt},
        {QStringLiteral("/n/b.bmp"), QStringLiteral("b"), QStringLiteral("15"), std::nullopt}};
    EXPECT_EQ(readStore(path), expected);
    EXPECT_EQ(store.RecordCount(), 3);
}

TEST_F(StoreWriting, AFailureHalfWayLeavesTheOldListWhole) {
    // The store refuses the second new record, as a full disk or a broken file would.
    testing_support::executeSql(
        path,
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON WALLPAPER "
                       "WHEN NEW.Image = 'refused' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    store.refresh();
    ui.lists.append({QStringLiteral("fine"), QStringLiteral("/n/fine.bmp"), QStringLiteral("5")});
    ui.lists.append({QStringLiteral("refused"), QStringLiteral("/n/x.bmp"), QStringLiteral("5")});
    EXPECT_THROW(showlist::writeShowList(store, ui.lists), StoreError);
    EXPECT_EQ(readStore(path), old);
    // The record set still works on the old list.
    EXPECT_EQ(store.RecordCount(), 2);
    EXPECT_EQ(showlist::savedWallPaper(store), QStringLiteral("/old/2.bmp"));
}

TEST_F(StoreWriting, AnEmptyListEmptiesTheStore) {
    showlist::writeShowList(store, ui.lists);
    EXPECT_TRUE(readStore(path).empty());
}

TEST_F(StoreWriting, RecordWallPaperWritesOnlyTheFirstRecordsSetup) {
    store.MoveLast();
    showlist::recordWallPaper(store, QStringLiteral("/old/1.bmp"));
    auto expected = old;
    expected[0].setup = QStringLiteral("/old/1.bmp");
    EXPECT_EQ(readStore(path), expected);
}

TEST_F(StoreWriting, EmptyStoreDeletesEverything) {
    showlist::emptyStore(store);
    EXPECT_TRUE(readStore(path).empty());
    EXPECT_EQ(store.RecordCount(), 0);
}

TEST_F(StoreWriting, ReadersStartFromPathWhenSetupIsEmptyOrNull) {
    for (const showlist::FieldValue& setup : {showlist::FieldValue(), showlist::FieldValue("")}) {
        store.MoveFirst();
        store.Edit();
        store.setField(QStringLiteral("Setup"), setup);
        store.Update();
        EXPECT_EQ(showlist::savedWallPaper(store), QStringLiteral("/old/1.bmp"));
    }
}

TEST_F(StoreWriting, FindPathMatchesTheWholeTextWithCase) {
    EXPECT_TRUE(showlist::findPath(store, QStringLiteral("/old/2.bmp")));
    EXPECT_EQ(store.Fields(QStringLiteral("Image")), QStringLiteral("2"));
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/OLD/2.bmp")));
    EXPECT_TRUE(store.Eof());
    EXPECT_FALSE(showlist::findPath(store, QStringLiteral("/old/2.bm")));
}

}  // namespace
