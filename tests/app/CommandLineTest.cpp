#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

using app::parseCommandLine;

QProcessEnvironment environment(std::initializer_list<std::pair<const char*, const char*>> vars) {
    QProcessEnvironment env;
    for (const auto& [name, value] : vars) env.insert(QLatin1String(name), QLatin1String(value));
    return env;
}

TEST(CommandLine, DefaultsWithoutArgumentsOrEnvironment) {
    const auto options = parseCommandLine({}, {});
    EXPECT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.tickMs, 60006);
    EXPECT_TRUE(options.home.isEmpty());
    EXPECT_TRUE(options.wallpaperBackend.isEmpty());
}

TEST(CommandLine, ArgumentsWinOverTheEnvironment) {
    const auto env = environment({{"QUORVANE_HOME", "/env/home"},
                                  {"QUORVANE_TICK_MS", "500"},
                                  {"QUORVANE_WALLPAPER", "gnome"}});
    const auto fromEnv = parseCommandLine({}, env);
    EXPECT_EQ(fromEnv.home, "/env/home");
    EXPECT_EQ(fromEnv.tickMs, 500);
    EXPECT_EQ(fromEnv.wallpaperBackend, "gnome");

    const auto fromArgs = parseCommandLine(
        {"--home", "/arg/home", "--tick-ms=25", "--wallpaper-backend", "X11"}, env);
    EXPECT_TRUE(fromArgs.error.isEmpty()) << fromArgs.error.toStdString();
    EXPECT_EQ(fromArgs.home, "/arg/home");
    EXPECT_EQ(fromArgs.tickMs, 25);
    EXPECT_EQ(fromArgs.wallpaperBackend, "x11");
}

class RejectedCommandLine : public ::testing::TestWithParam<QStringList> {};

TEST_P(RejectedCommandLine, GivesAnError) {
    EXPECT_FALSE(parseCommandLine(GetParam(), {}).error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RejectedCommandLine,
    ::testing::Values(QStringList{"--tick-ms", "0"}, QStringList{"--tick-ms", "-3"},
                      QStringList{"--tick-ms", "soon"}, QStringList{"--tick-ms"},
                      QStringList{"--wallpaper-backend", "amiga"}, QStringList{"--bogus"},
                      QStringList{"stray.bmp"}, QStringList{"--home", ""}));

TEST(CommandLine, HelpAndVersionAreRecognised) {
    EXPECT_TRUE(parseCommandLine({"--help"}, {}).showHelp);
    EXPECT_TRUE(parseCommandLine({"-v"}, {}).showVersion);
    const QString help = app::helpText();
    for (const char* word : {"--home", "--tick-ms", "--wallpaper-backend", "QUORVANE_WALLPAPER_CMD",
                             "gnome", "sway", "command"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;
}

}  // namespace
