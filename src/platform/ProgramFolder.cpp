#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

QString withoutTrailingSeparator(QString path) {
    path = QDir::cleanPath(path);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return QDir::toNativeSeparators(path);
}

QString userDataFolder(const QProcessEnvironment& env) {
    QString base = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        const QString home = env.value(QStringLiteral("HOME"), QDir::homePath());
        base = QDir(home).filePath(QStringLiteral(".local/share"));
    }
    return QDir(base).filePath(QStringLiteral("quorvane"));
}

}  // namespace

QString resolveProgramFolder(const QString& commandLineHome, const QProcessEnvironment& env,
                             const QString& executableFolder) {
    QString folder = commandLineHome;
    if (folder.isEmpty()) folder = env.value(QStringLiteral("QUORVANE_HOME"));
    if (folder.isEmpty()) {
        const QFileInfo exe(executableFolder);
        folder = exe.isDir() && exe.isWritable() ? executableFolder : userDataFolder(env);
    }
    folder = QFileInfo(folder).absoluteFilePath();
    QDir().mkpath(folder);
    return withoutTrailingSeparator(folder);
}

}  // namespace platform
