#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

namespace testing_support {

TempFolder::TempFolder() : dir_(QDir::tempPath() + QStringLiteral("/quorvane-test-XXXXXX")) {}

QString TempFolder::path() const { return dir_.path(); }

QString TempFolder::filePath(const QString& name) const { return dir_.filePath(name); }

QString TempFolder::write(const QString& name, const QByteArray& bytes) const {
    const QString path = filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

}  // namespace testing_support
