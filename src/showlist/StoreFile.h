#pragma once

#include <QDir>
#include <QString>

namespace showlist {

// The setup store's file, which the program folder always holds.
inline const QString kStoreFileName = QStringLiteral("ZARN.DAT");

inline QString storeFilePath(const QString& programFolder) {
    return programFolder + QDir::separator() + kStoreFileName;
}

}  // namespace showlist
