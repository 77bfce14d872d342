#include "Decoders.h"
#include "NastyPaths.h"
#include "RecordingRunner.h"
#include "rotation/wallpaper/CinnamonWallpaperSetter.h"
#include "rotation/wallpaper/CommandWallpaperSetter.h"
#include "rotation/wallpaper/GnomeWallpaperSetter.h"
#include "rotation/wallpaper/LxqtWallpaperSetter.h"
#include "rotation/wallpaper/MateWallpaperSetter.h"
#include "rotation/wallpaper/SwayWallpaperSetter.h"
#include "rotation/wallpaper/XfceWallpaperSetter.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace wallpaper_test {

void PrintTo(const ProgramCall& call, std::ostream* out) {
    *out << call.program.toStdString() << ' ' << ::testing::PrintToString(call.arguments);
}

namespace {

using Calls = std::vector<ProgramCall>;

// The path a gsettings value for a URI key stands for, or a marker that cannot be a path.
QString pathOfUriValue(const QString& value) {
    const std::optional<QString> uri = readGVariantString(value);
    if (!uri) return QStringLiteral("<not a GVariant string: %1>").arg(value);
    return readFileUri(*uri).value_or(QStringLiteral("<not a plain file URI: %1>").arg(*uri));
}

class ProgramBackends : public ::testing::TestWithParam<NastyPath> {
protected:
    const QString path = GetParam().path;
    RecordingRunner recorder;
};

TEST_P(ProgramBackends, GnomeSetsTheLightAndDarkPictureUri) {
    rotation::GnomeWallpaperSetter(recorder.runner()).apply(path);

    ASSERT_EQ(recorder.calls.size(), 2u);
    const QString value = recorder.calls[0].arguments.value(3);
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    EXPECT_EQ(recorder.calls, (Calls{{"gsettings", {"set", schema, "picture-uri", value}},
                                     {"gsettings", {"set", schema, "picture-uri-dark", value}}}));
    EXPECT_EQ(pathOfUriValue(value), path);
}

TEST_P(ProgramBackends, CinnamonSetsItsPictureUri) {
    rotation::CinnamonWallpaperSetter(recorder.runner()).apply(path);

    ASSERT_EQ(recorder.calls.size(), 1u);
    const QString value = recorder.calls[0].arguments.value(3);
    EXPECT_EQ(
        recorder.calls,
        (Calls{{"gsettings", {"set", "org.cinnamon.desktop.background", "picture-uri", value}}}));
    EXPECT_EQ(pathOfUriValue(value), path);
}

TEST_P(ProgramBackends, MateSetsThePictureFileName) {
    rotation::MateWallpaperSetter(recorder.runner()).apply(path);

    ASSERT_EQ(recorder.calls.size(), 1u);
    const QString value = recorder.calls[0].arguments.value(3);
    EXPECT_EQ(recorder.calls,
              (Calls{{"gsettings", {"set", "org.mate.background", "picture-filename", value}}}));
    EXPECT_EQ(readGVariantString(value), path);
}

TEST_P(ProgramBackends, LxqtPassesThePathJoinedToTheOption) {
    rotation::LxqtWallpaperSetter(recorder.runner()).apply(path);

    EXPECT_EQ(recorder.calls, (Calls{{"pcmanfm-qt", {"--set-wallpaper=" + path}}}));
}

TEST_P(ProgramBackends, SwaySendsOneBackgroundCommandForExactlyThePath) {
    rotation::SwayWallpaperSetter(recorder.runner()).apply(path);

    ASSERT_EQ(recorder.calls.size(), 1u);
    const QStringList arguments = recorder.calls[0].arguments;
    EXPECT_EQ(recorder.calls,
              (Calls{{"swaymsg", {"output", "*", "bg", arguments.value(3), "fill"}}}));
    EXPECT_EQ(readSwayPath(arguments.value(3)), path) << arguments.value(3).toStdString();
}

TEST_P(ProgramBackends, XfceSetsEveryListedLastImage) {
    recorder.output =
        "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
        "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
        "/backdrop/screen0/monitorHDMI-1/workspace1/last-image\n"
        "/backdrop/screen0/monitoreDP-1/workspace0/last-image-backup\n"
        "/backdrop/single-workspace-mode\n";
    rotation::XfceWallpaperSetter(recorder.runner()).apply(path);

    const QString prefix = QStringLiteral("/backdrop/screen0/monitorHDMI-1/");
    EXPECT_EQ(
        recorder.calls,
        (Calls{{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
               {"xfconf-query",
                {"-c", "xfce4-desktop", "-p", prefix + "workspace0/last-image", "-s", path}},
               {"xfconf-query",
                {"-c", "xfce4-desktop", "-p", prefix + "workspace1/last-image", "-s", path}}}));
}

TEST_P(ProgramBackends, CommandPutsThePathInsideTheArgumentsHoldingThePlaceholder) {
    rotation::CommandWallpaperSetter(
        QStringLiteral("set-bg --mode fill %f \"--file=%f\" \"%f and %f\" --last"),
        recorder.runner())
        .apply(path);

    EXPECT_EQ(
        recorder.calls,
        (Calls{{"set-bg",
                {"--mode", "fill", path, "--file=" + path, path + " and " + path, "--last"}}}));
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, ProgramBackends, ::testing::ValuesIn(nastyPaths()));

TEST(wallpaper_xfce, CreatesTheFirstMonitorsPropertyInAFreshSession) {
    RecordingRunner recorder;
    recorder.output = "/backdrop/screen0/monitor0/workspace0/color-style\n";
    rotation::XfceWallpaperSetter(recorder.runner()).apply(QStringLiteral("/a/b.png"));

    EXPECT_EQ(
        recorder.calls,
        (Calls{{"xfconf-query", {"-c", "xfce4-desktop", "-l"}},
               {"xfconf-query",
                {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/last-image",
                 "-n", "-t", "string", "-s", "/a/b.png"}}}));
}

TEST(wallpaper_command, AppendsThePathToATemplateWithoutPlaceholder) {
    RecordingRunner recorder;
    rotation::CommandWallpaperSetter(QStringLiteral("feh --bg-fill"), recorder.runner())
        .apply(QStringLiteral("/a/b c.png"));

    EXPECT_EQ(recorder.calls, (Calls{{"feh", {"--bg-fill", "/a/b c.png"}}}));
}

}  // namespace
}  // namespace wallpaper_test
