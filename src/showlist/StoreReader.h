#pragma once

#include <QString>

#include "RecordSet.h"
#include "ShowLists.h"

namespace showlist {

// The wallpaper that was showing when the program last closed: the first record's Setup
// when it holds text, else the first record's Path. Leaves the cursor on the first record.
QString savedWallPaper(RecordSet& store);

// Replaces the lists' contents with the records, first to last. The cursor ends past the last.
void fillLists(RecordSet& store, ShowLists& lists);

// Moves the cursor to the first record whose Path equals path exactly (case-sensitive);
// false, with the cursor past the last record, when none does.
bool findPath(RecordSet& store, const QString& path);

}  // namespace showlist
