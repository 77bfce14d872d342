#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// A program and its arguments, started without a shell.
struct ProgramCommand {
    QString program;
    QStringList arguments;

    bool operator==(const ProgramCommand&) const = default;
};

// The programs that show the display settings of the desktop named as in XDG_CURRENT_DESKTOP
// ("ubuntu:GNOME", "KDE", "X-Cinnamon"), best first. The first name of the list that is
// known decides; a desktop not known gets arandr, which works on any X11 session.
QList<ProgramCommand> displaySettingsCommands(const QString& desktopName);

// The display settings applet of Windows.
ProgramCommand windowsDisplaySettingsCommand();

// Starts the first of `commands` that `start` manages to start; false when none did.
bool startFirst(const QList<ProgramCommand>& commands,
                const std::function<bool(const ProgramCommand&)>& start);

}  // namespace platform
