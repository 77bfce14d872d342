#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace showlist {

// Where Save Image puts a selected image: every show-list entry has its own bitmap in the
// program folder, named after the selection's title.
struct BackupTarget {
    QString name;   // display name: the title up to its first "."
    QString path;   // the bitmap in the program folder
    bool isBitmap;  // the title ends in "bmp" (any case): copied as it is, else converted
};

// The target for an image titled `fileTitle`: "Sunset.bmp" is copied to Sunset.bmp,
// "my.picture.png" converted to my.BMP. Throws std::invalid_argument for a title shorter
// than three characters (its type cannot be told) and for one holding a folder separator
// (a show-list name from a hand-edited store), which would lead out of the folder.
BackupTarget backupTarget(const QString& programFolder, const QString& fileTitle);

// Copies a bitmap byte for byte, replacing a file of that name. The copy is written beside
// the target and renamed over it, so a failure - a full disk included - leaves an existing
// target as it was. Throws std::runtime_error when the source cannot be read or already is
// the target (there is nothing to copy, and nothing must be destroyed), imaging::Error with
// the system's reason when the copy cannot be written.
void copyBitmap(const QString& source, const QString& target);

// Decodes any image the engine reads and writes it as a 24-bit bitmap, scaled first to
// exactly `screen` (aspect ratio not kept) when one is given. Throws imaging::Error.
void convertToBitmap(const QString& source, const QString& target, std::optional<QSize> screen);

}  // namespace showlist
