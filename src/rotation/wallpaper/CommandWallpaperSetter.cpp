#include "CommandWallpaperSetter.h"

#include <QProcess>

#include "ProgramSequence.h"

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

QString CommandWallpaperSetter::apply(const QString& path) {
    if (template_.isEmpty()) return QStringLiteral("QUORVANE_WALLPAPER_CMD names no program.");
    const QStringList command = commandForImage(template_, path);
    ProgramSequence change(run_);
    change.run(command.first(), command.mid(1));
    return change.problem();
}

}  // namespace rotation
