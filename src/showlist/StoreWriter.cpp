#include "StoreWriter.h"

namespace showlist {

namespace {

// Runs writes in one transaction: committed when they all succeed, rolled back otherwise.
template <typename Writes>
void atomically(RecordSet& store, Writes writes) {
    store.BeginTrans();
    try {
        writes();
        store.CommitTrans();
    } catch (...) {
        try {
            store.Rollback();
        } catch (const StoreError&) {
            // SQLite rolls back an unfinished transaction on its own; the original failure
            // is the one worth reporting.
        }
        throw;
    }
}

}  // namespace

void writeShowList(RecordSet& store, const ShowLists& lists) {
    atomically(store, [&] {
        store.deleteAllRecords();
        for (int i = 0; i < lists.count(); ++i) {
            const ShowListEntry entry = lists.entry(i);
            store.AddNew();
            store.setField(QStringLiteral("Path"), entry.path);
            store.setField(QStringLiteral("Image"), entry.image);
            store.setField(QStringLiteral("ViewTime"), entry.viewTime);
            store.Update();
        }
    });
}

void emptyStore(RecordSet& store) {
    atomically(store, [&] { store.deleteAllRecords(); });
}

void recordWallPaper(RecordSet& store, const QString& wallPaper) {
    if (store.RecordCount() == 0) return;
    store.MoveFirst();
    store.Edit();
    store.setField(QStringLiteral("Setup"), wallPaper);
    store.Update();
}

}  // namespace showlist
