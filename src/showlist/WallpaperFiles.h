#pragma once

#include <QString>

namespace showlist {

// The wallpaper bitmaps Save Image leaves in the program folder, and their removal. Only
// files directly in that folder are ever deleted, whatever path the show list holds: the
// store may name any file on the disk, and the list is the user's to edit.

// Deletes the file of a removed entry when it is one of the program folder's own (never the
// store, ZARN.DAT). A path elsewhere is left alone, and that is no failure. Throws
// std::runtime_error when the file is the folder's but cannot be deleted, a missing one
// included.
void deleteWallpaperFile(const QString& programFolder, const QString& path);

// Deletes every bitmap (*.bmp in any letter case) directly in the program folder, whether
// the show list names it or not: once the list is empty none of them is in use. Files that
// cannot be deleted are passed over.
void deleteAllBitmaps(const QString& programFolder);

}  // namespace showlist
