#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testing_support {

// A fresh folder for one test, removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
    QString path() const;
    QString filePath(const QString& name) const;
    // Writes bytes to a file of the folder and returns its full path.
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

}  // namespace testing_support
