#include "DisplaySettings.h"

namespace platform {
namespace {

ProgramCommand command(const char* program, QStringList arguments = {}) {
    return {QString::fromLatin1(program), std::move(arguments)};
}

// The commands of one desktop, by one of the names it puts in XDG_CURRENT_DESKTOP (upper
// case); empty when the name is not one we know.
QList<ProgramCommand> commandsOf(const QString& name) {
    if (name == QLatin1String("GNOME") || name == QLatin1String("UNITY") ||
        name == QLatin1String("BUDGIE"))
        return {command("gnome-control-center", {QStringLiteral("display")})};
    // Plasma 6 opens its modules through systemsettings; the kcmshell programs are the older
    // ways to the same module.
    if (name == QLatin1String("KDE"))
        return {command("systemsettings", {QStringLiteral("kcm_kscreen")}),
                command("kcmshell6", {QStringLiteral("kcm_kscreen")}),
                command("kcmshell5", {QStringLiteral("kcm_kscreen")})};
    if (name == QLatin1String("XFCE")) return {command("xfce4-display-settings")};
    if (name == QLatin1String("LXQT")) return {command("lxqt-config-monitor")};
    if (name == QLatin1String("MATE")) return {command("mate-display-properties")};
    if (name == QLatin1String("X-CINNAMON") || name == QLatin1String("CINNAMON"))
        return {command("cinnamon-settings", {QStringLiteral("display")})};
    return {};
}

}  // namespace

QList<ProgramCommand> displaySettingsCommands(const QString& desktopName) {
    const QStringList names = desktopName.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        QList<ProgramCommand> commands = commandsOf(name.trimmed().toUpper());
        if (!commands.isEmpty()) return commands;
    }
    return {command("arandr")};
}

ProgramCommand windowsDisplaySettingsCommand() {
    return command("rundll32.exe",
                   {QStringLiteral("shell32.dll,Control_RunDLL"), QStringLiteral("desk.cpl,,0")});
}

bool startFirst(const QList<ProgramCommand>& commands,
                const std::function<bool(const ProgramCommand&)>& start) {
    for (const ProgramCommand& c : commands)
        if (start(c)) return true;
    return false;
}

}  // namespace platform
