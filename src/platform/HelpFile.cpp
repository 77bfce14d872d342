#include "HelpFile.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

QString findHelpFile(const QString& executableFolder) {
    const QDir folder(executableFolder);
    for (const QString& candidate :
         {folder.filePath(helpFileName()),
          folder.filePath(QStringLiteral("../share/quorvane/") + helpFileName())}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isReadable()) return QDir::cleanPath(file.absoluteFilePath());
    }
    return {};
}

}  // namespace platform
