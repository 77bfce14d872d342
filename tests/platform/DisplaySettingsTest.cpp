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

struct DesktopCase {
    const char* desktop;  // as XDG_CURRENT_DESKTOP names it
    QStringList commands;
};

class DisplaySettingsOf : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(DisplaySettingsOf, TheDesktopsOwnSettingsComeFirst) {
    EXPECT_EQ(lines(platform::displaySettingsCommands(QString::fromLatin1(GetParam().desktop))),
              GetParam().commands);
}

const QStringList kGnome = {"gnome-control-center display"};
const QStringList kKde = {"systemsettings kcm_kscreen", "kcmshell6 kcm_kscreen",
                          "kcmshell5 kcm_kscreen"};
const QStringList kArandr = {"arandr"};

INSTANTIATE_TEST_SUITE_P(
    Desktops, DisplaySettingsOf,
    ::testing::Values(DesktopCase{"GNOME", kGnome}, DesktopCase{"ubuntu:GNOME", kGnome},
                      DesktopCase{"Unity", kGnome}, DesktopCase{"Budgie:GNOME", kGnome},
                      DesktopCase{"KDE", kKde}, DesktopCase{"XFCE", {"xfce4-display-settings"}},
                      DesktopCase{"LXQt", {"lxqt-config-monitor"}},
                      DesktopCase{"MATE", {"mate-display-properties"}},
                      DesktopCase{"X-Cinnamon", {"cinnamon-settings display"}},
                      // The first name that is known decides.
                      DesktopCase{"Pantheon:KDE:GNOME", kKde}, DesktopCase{" kde ", kKde},
                      DesktopCase{"sway", kArandr}, DesktopCase{"", kArandr}));

TEST(DisplaySettings, OnWindowsTheAppletIsStartedWithItsArgumentsApart) {
    EXPECT_EQ(lines({platform::windowsDisplaySettingsCommand()}),
              QStringList{"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0"});
}

TEST(DisplaySettings, TheFirstCommandThatStartsEndsTheSearch) {
    QStringList tried;
    const auto startOnly = [&](const QString& program) {
        return [&tried, program](const ProgramCommand& c) {
            tried << c.program;
            return c.program == program;
        };
    };
    const QList<ProgramCommand> kde = platform::displaySettingsCommands(QStringLiteral("KDE"));
    EXPECT_TRUE(platform::startFirst(kde, startOnly(QStringLiteral("kcmshell6"))));
    EXPECT_EQ(tried, (QStringList{"systemsettings", "kcmshell6"}));

    tried.clear();
    EXPECT_FALSE(platform::startFirst(kde, startOnly(QStringLiteral("nothing"))));
    EXPECT_EQ(tried.size(), 3);
}

}  // namespace
