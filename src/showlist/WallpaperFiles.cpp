#include "WallpaperFiles.h"

#include "StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace showlist {

namespace {


// Whether `path` names a file directly in `folder`. Relative paths and ones that climb out
// with ".." are judged by where they lead; links to the folder count as the folder.
bool isDirectlyIn(const QString& path, const QString& folder) {
    if (QDir::isRelativePath(path)) return false;
    const QString parent = QFileInfo(QDir::cleanPath(path)).absolutePath();
    const QString own = QFileInfo(folder).canonicalFilePath();
    return !own.isEmpty() && QFileInfo(parent).canonicalFilePath() == own;
}

}  // namespace

void deleteWallpaperFile(const QString& programFolder, const QString& path) {
    if (!isDirectlyIn(path, programFolder)) return;
    if (QFileInfo(path).fileName().compare(kStoreFileName, Qt::CaseInsensitive) == 0) return;
    if (!QFile::remove(path)) throw std::runtime_error("the wallpaper file could not be deleted");
}

void deleteAllBitmaps(const QString& programFolder) {
    const QDir folder(programFolder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::System)) {
        if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
            QFile::remove(folder.filePath(name));
    }
}

}  // namespace showlist
