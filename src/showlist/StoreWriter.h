#pragma once

#include <QString>

#include "RecordSet.h"
#include "ShowLists.h"

namespace showlist {

// Replaces every record with the lists' entries, in list order, Setup left empty. Either the
// whole new list lands or, on any failure, the store keeps its old records and StoreError
// is thrown. The cursor then stands on no particular record.
void writeShowList(RecordSet& store, const ShowLists& lists);

// Deletes every record, all or nothing.
void emptyStore(RecordSet& store);

// Writes the showing wallpaper into the first record's Setup, the only place it is kept.
void recordWallPaper(RecordSet& store, const QString& wallPaper);

}  // namespace showlist
