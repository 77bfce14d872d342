#include "FolderListing.h"

#include <QDir>

namespace showlist {

namespace {

constexpr QDir::SortFlags kByName = QDir::Name | QDir::IgnoreCase;

}  // namespace

bool isWithin(const QString& path, const QString& folder) {
    const QString top = QDir::cleanPath(folder);
    const QString inside = QDir::cleanPath(path);
    if (inside == top) return true;
    return inside.startsWith(top.endsWith(QLatin1Char('/')) ? top : top + QLatin1Char('/'));
}

std::vector<FolderLine> folderLines(const QString& driveTop, const QString& folder) {
    const QString top = QDir::cleanPath(driveTop);
    const QString open = QDir::cleanPath(folder);
    std::vector<FolderLine> lines = {{top, QDir::toNativeSeparators(top), 0, true}};
    if (!isWithin(open, top)) return lines;

    const QString below = open.mid(top.size());
    QString path = top;
    for (const QString& name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path = joinFolderAndName(path, name);
        lines.push_back({path, name, int(lines.size()), true});
    }
    const int depth = int(lines.size());
    const QDir dir(open);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, kByName))
        lines.push_back({joinFolderAndName(open, name), name, depth, false});
    return lines;
}

QStringList fileNames(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, kByName);
}

QString joinFolderAndName(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

}  // namespace showlist
