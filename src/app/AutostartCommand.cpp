#include "AutostartCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <stdexcept>

#include "platform/Autostart.h"

namespace app {

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

}  // namespace

QString executablePath(const char* argv0, const QProcessEnvironment& env) {
    const QFileInfo kernelLink(QStringLiteral("/proc/self/exe"));
    if (kernelLink.exists()) {
        const QString target = kernelLink.canonicalFilePath();
        if (!target.isEmpty()) return target;
    }
    const QString name = QFile::decodeName(argv0);
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QFileInfo(name).absoluteFilePath();
    const QString found = QStandardPaths::findExecutable(
        name, env.value(QStringLiteral("PATH")).split(QDir::listSeparator(), Qt::SkipEmptyParts));
    return found.isEmpty() ? QFileInfo(name).absoluteFilePath() : found;
}

int runAutostartCommand(const QString& action, const QString& program, const QString& home,
                        const QProcessEnvironment& env) {
    const platform::Autostart autostart(program, home, env);
    try {
        if (action == QStringLiteral("status")) {
            switch (autostart.state()) {
                case platform::AutostartState::Off:
                    print(stdout, QStringLiteral("off\n"));
                    break;
                case platform::AutostartState::On:
                    print(stdout, QStringLiteral("on\n"));
                    break;
                case platform::AutostartState::OtherProgram:
                    print(stdout, QStringLiteral("other: %1\n").arg(autostart.existingCommand()));
                    break;
            }
        } else if (action == QStringLiteral("on")) {
            // Another copy's entry (or one for another folder) is the user's to give up.
            if (autostart.state() == platform::AutostartState::OtherProgram) {
                print(stderr, QStringLiteral("quorvane: %1 already starts another program at "
                                             "log-in: %2\nRun quorvane --autostart off first "
                                             "to replace it.\n")
                                  .arg(autostart.location(), autostart.existingCommand()));
                return 1;
            }
            autostart.enable();
        } else {
            autostart.disable();
        }
    } catch (const std::runtime_error& e) {
        print(stderr, QStringLiteral("quorvane: %1\n").arg(QString::fromStdString(e.what())));
        return 1;
    }
    return 0;
}

}  // namespace app
