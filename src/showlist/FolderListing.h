#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace showlist {

// One line of the folder list.
struct FolderLine {
    QString path;
    QString label;
    int depth = 0;      // indentation below the drive's top folder
    bool open = false;  // on the way from the drive's top down to the open folder
};

// The folder list for `folder` on the drive whose top is `driveTop`: the folders from the
// top down to `folder` (open), then the folders inside it, by name. Hidden folders are left
// out; a folder that cannot be read shows nothing inside.
std::vector<FolderLine> folderLines(const QString& driveTop, const QString& folder);

// The names of all files in a folder (any kind, hidden ones left out), by name regardless
// of case. A folder that cannot be read, or no longer exists, has none.
QStringList fileNames(const QString& folder);

// A file's full path from its folder and name: exactly one separator between them, none
// added after a folder that already ends in one (the root).
QString joinFolderAndName(const QString& folder, const QString& name);

// Whether `path` is `folder` or lies inside it.
bool isWithin(const QString& path, const QString& folder);

}  // namespace showlist
