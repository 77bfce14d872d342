#include "CommandWallpaperSetter.h"

#include <QProcess>

namespace rotation {

namespace {

const QString kPlaceholder = QStringLiteral("%f");

}  // namespace

QStringList commandForImage(const QStringList& commandTemplate, const QString& path) {
    QStringList command = commandTemplate;
    bool placed = false;
    for (qsizetype i = 1; i < command.size(); ++i) {
        if (!command[i].contains(kPlaceholder)) continue;
        command[i].replace(kPlaceholder, path);
        placed = true;
    }
    if (!placed) command.append(path);
    return command;
}

CommandWallpaperSetter::CommandWallpaperSetter(const QString& commandLine, ProgramRunner run)
    : template_(QProcess::splitCommand(commandLine)), run_(std::move(run)) {}

void CommandWallpaperSetter::apply(const QString& path) {
    if (template_.isEmpty()) return;
    const QStringList command = commandForImage(template_, path);
    run_(command.first(), command.mid(1), kWallpaperProgramTimeoutMs);
}

}  // namespace rotation
