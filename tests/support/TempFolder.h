#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace testing_support {

// A fresh folder for one test, removed with everything in it when the test ends.
class TempFolder {
public:
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    // Writes bytes to a file of the folder and returns its full path.
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(filePath(name));
        if (file.open(QIODevice::WriteOnly)) file.write(bytes);
        return file.fileName();
    }

private:
    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/quorvane-test-XXXXXX")};
};

}  // namespace testing_support
