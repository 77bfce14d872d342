#include <gtest/gtest.h>

#include "platform/DisplaySettings.h"
#include "support/QtPrinting.h"

namespace {

using platform::ProgramCommand;

// "program arg arg" per command, so a failure shows the whole choice.
QStringList lines(const QList<ProgramCommand>& commands) {
    QStringList result;
    for (const ProgramCommand& c : commands)
        result << QStringList(QStringList{c.program} + c.arguments).join(QLatin1Char(' '));
    return result;
}

// The desktop's own settings come first; the first name that is known decides.
TEST(DisplaySettings, AreTheDesktopsOwnAndTheFirstCommandThatStartsEndsTheSearch) {
    const QStringList gnome = {"gnome-control-center display"};
    const QStringList kde = {"systemsettings kcm_kscreen", "kcmshell6 kcm_kscreen",
                             "kcmshell5 kcm_kscreen"};
    const std::pair<const char*, QStringList> desktops[] = {
        {"ubuntu:GNOME", gnome},
        {"Unity", gnome},
        {"Budgie:GNOME", gnome},
        {"XFCE", {"xfce4-display-settings"}},
        {"LXQt", {"lxqt-config-monitor"}},
        {"MATE", {"mate-display-properties"}},
        {"X-Cinnamon", {"cinnamon-settings display"}},
        {"Pantheon:KDE:GNOME", kde},
        {" kde ", kde},
        {"sway", {"arandr"}},
        {"", {"arandr"}}};
    for (const auto& [desktop, commands] : desktops)
        EXPECT_EQ(lines(platform::displaySettingsCommands(QString::fromLatin1(desktop))), commands)
            << desktop;
    EXPECT_EQ(lines({platform::windowsDisplaySettingsCommand()}),
              QStringList{"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0"});

    QStringList tried;
    const auto startOnly = [&](const QString& program) {
        return [&tried, program](const ProgramCommand& c) {
            tried << c.program;
            return c.program == program;
        };
    };
    const QList<ProgramCommand> commands = platform::displaySettingsCommands(QStringLiteral("KDE"));
    EXPECT_TRUE(platform::startFirst(commands, startOnly(QStringLiteral("kcmshell6"))));
    EXPECT_EQ(tried, (QStringList{"systemsettings", "kcmshell6"}));
    EXPECT_FALSE(platform::startFirst(commands, startOnly(QStringLiteral("nothing"))));
    EXPECT_EQ(tried.size(), 5);
}

}  // namespace
