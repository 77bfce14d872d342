#include "StoreReader.h"

namespace showlist {

namespace {
const QString kPath = QStringLiteral("Path");
}

QString savedWallPaper(RecordSet& store) {
    store.MoveFirst();
    const FieldValue setup = store.Fields(QStringLiteral("Setup"));
    if (setup && !setup->isEmpty()) return *setup;
    return store.Fields(kPath).value_or(QString());
}

void fillLists(RecordSet& store, ShowLists& lists) {
    lists.clear();
    store.readTogether([&] {
        store.MoveFirst();
        while (!store.Eof()) {
            lists.append({store.Fields(QStringLiteral("Image")).value_or(QString()),
                          store.Fields(kPath).value_or(QString()),
                          store.Fields(QStringLiteral("ViewTime")).value_or(QString())});
            store.MoveNext();
        }
    });
}

bool findPath(RecordSet& store, const QString& path) {
    store.MoveFirst();
    while (!store.Eof()) {
        if (store.Fields(kPath).value_or(QString()) == path) return true;
        store.MoveNext();
    }
    return false;
}

}  // namespace showlist
