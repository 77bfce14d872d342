#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "WallpaperTestSupport.h"
#include "rotation/wallpaper/CinnamonWallpaperSetter.h"
#include "rotation/wallpaper/CommandWallpaperSetter.h"
#include "rotation/wallpaper/GnomeWallpaperSetter.h"
#include "rotation/wallpaper/LxqtWallpaperSetter.h"
#include "rotation/wallpaper/MateWallpaperSetter.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "rotation/wallpaper/XfceWallpaperSetter.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace wallpaper_test {
namespace {

using Calls = std::vector<std::pair<QString, QStringList>>;
// Applies the path with the backend and hands back what it reported.
using Apply = std::function<QString(const rotation::ProgramRunner&, const QString& path)>;

template <typename Setter>
QString apply(const rotation::ProgramRunner& run, const QString& path) {
    return Setter(run).apply(path);
}

Apply command(const char* commandLine) {
    return [=](const rotation::ProgramRunner& run, const QString& path) {
        return rotation::CommandWallpaperSetter(QString::fromUtf8(commandLine), run).apply(path);
    };
}

// The path a gsettings value for a URI key stands for.
std::optional<QString> readUriValue(const QString& value) {
    const std::optional<QString> uri = readGVariantString(value);
    return uri ? readFileUri(*uri) : std::nullopt;
}

struct Backend {
    const char* name;
    Apply apply;
    // In arguments "%p" stands for the path itself and "%v" for the one value the backend
    // chose to carry it, which readValue must read back as exactly the path.
    Calls calls;
    std::optional<QString> (*readValue)(const QString&) = nullptr;
    QByteArray output = {};  // what every program prints: xfconf-query's property listing
};

void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.name; }

const QString kGnome = QStringLiteral("org.gnome.desktop.background");
const QString kXfce = QStringLiteral("xfce4-desktop");
const QString kHdmi = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace");

const std::vector<Backend> kBackends = {
    {"gnome",
     apply<rotation::GnomeWallpaperSetter>,
     {{"gsettings", {"set", kGnome, "picture-uri", "%v"}},
      {"gsettings", {"set", kGnome, "picture-uri-dark", "%v"}}},
     readUriValue},
    {"cinnamon",
     apply<rotation::CinnamonWallpaperSetter>,
     {{"gsettings", {"set", "org.cinnamon.desktop.background", "picture-uri", "%v"}}},
     readUriValue},
    {"mate",
     apply<rotation::MateWallpaperSetter>,
     {{"gsettings", {"set", "org.mate.background", "picture-filename", "%v"}}},
     readGVariantString},
    {"lxqt", apply<rotation::LxqtWallpaperSetter>, {{"pcmanfm-qt", {"--set-wallpaper=%p"}}}},
    // Every listed last-image property is set, and no other.
    {"xfce",
     apply<rotation::XfceWallpaperSetter>,
     {{"xfconf-query", {"-c", kXfce, "-l"}},
      {"xfconf-query", {"-c", kXfce, "-p", kHdmi + "0/last-image", "-s", "%p"}},
      {"xfconf-query", {"-c", kXfce, "-p", kHdmi + "1/last-image", "-s", "%p"}}},
     nullptr,
     "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
     "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
     "/backdrop/screen0/monitorHDMI-1/workspace1/last-image\n"
     "/backdrop/screen0/monitoreDP-1/workspace0/last-image-backup\n"
     "/backdrop/single-workspace-mode\n"},
    // A fresh session has none yet: the first monitor's is created.
    {"xfce_fresh",
     apply<rotation::XfceWallpaperSetter>,
     {{"xfconf-query", {"-c", kXfce, "-l"}},
      {"xfconf-query",
       {"-c", kXfce, "-p", "/backdrop/screen0/monitor0/workspace0/last-image", "-n", "-t", "string",
        "-s", "%p"}}},
     nullptr,
     "/backdrop/screen0/monitor0/workspace0/color-style\n"},
    {"command",
     command("set-bg --mode fill %f \"--file=%f\" \"%f and %f\" --last"),
     {{"set-bg", {"--mode", "fill", "%p", "--file=%p", "%p and %p", "--last"}}}},
    {"command_without_placeholder", command("feh --bg-fill"), {{"feh", {"--bg-fill", "%p"}}}},
};

class ProgramBackends : public ::testing::TestWithParam<std::tuple<Backend, NastyPath>> {};

TEST_P(ProgramBackends, RunExactlyTheirProgramsWithValuesMeaningExactlyThePath) {
    const auto& [backend, nasty] = GetParam();
    Calls calls;
    const QString problem = backend.apply(
        [&](const QString& program, const QStringList& arguments, int) {
            calls.push_back({program, arguments});
            return platform::ProcessResult{true, false, 0, backend.output, {}};
        },
        nasty.path);
    EXPECT_EQ(problem, QString()) << "every program succeeded";

    Calls expected = backend.calls;
    std::optional<QString> value;
    for (size_t i = 0; i < expected.size(); ++i) {
        for (qsizetype j = 0; j < expected[i].second.size(); ++j) {
            QString& argument = expected[i].second[j];
            if (argument != "%v") {
                argument.replace("%p", nasty.path);
            } else {
                if (!value) value = i < calls.size() ? calls[i].second.value(j) : QString();
                argument = *value;
            }
        }
    }
    EXPECT_EQ(calls, expected);
    if (value) {
        EXPECT_EQ(backend.readValue(*value), nasty.path) << value->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, ProgramBackends,
                         ::testing::Combine(::testing::ValuesIn(kBackends),
                                            ::testing::ValuesIn(nastyPaths())));

// Against the real programs that read the arguments, where they can run without a desktop.
// A tool that hangs, or cannot be started, ends the change: nothing more is started for it,
// so one change never takes more than its one time budget, and the reason reaches the user.
class ProgramBackendsCutShort : public ::testing::TestWithParam<Backend> {};

TEST_P(ProgramBackendsCutShort, AfterAHungOrMissingToolStartNothingMoreAndSayWhy) {
    const Backend& backend = GetParam();
    for (const bool started : {true, false}) {
        Calls calls;
        const QString problem = backend.apply(
            [&](const QString& program, const QStringList& arguments, int timeoutMs) {
                calls.push_back({program, arguments});
                EXPECT_LE(timeoutMs, rotation::kWallpaperChangeBudgetMs);
                platform::ProcessResult result;
                result.started = started;
                result.timedOut = started;
                return result;
            },
            "/pictures/a.png");
        ASSERT_EQ(calls.size(), 1u) << backend.name;
        EXPECT_EQ(problem, calls[0].first + (started ? " did not answer in time."
                                                     : " could not be started: is it installed?"));
    }
}

INSTANTIATE_TEST_SUITE_P(, ProgramBackendsCutShort, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(info.param.name); });

class RealPrograms : public ::testing::TestWithParam<NastyPath> {
protected:
    testing_support::TempFolder folder;
};

// A user command is started directly: shell syntax in the path reaches the program as text.
TEST_P(RealPrograms, UserCommandReceivesThePathAsTextInItsArguments) {
    const QString path =
        GetParam().path + QStringLiteral("$(touch %1/pwned) `touch %1/pwned`").arg(folder.path());
    const QString script =
        folder.write(QStringLiteral("show args.sh"),
                     "#!/bin/sh\nout=\"$1\"\nshift\nprintf '%s\\0' \"$@\" > \"$out\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString output = folder.filePath(QStringLiteral("args"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("QUORVANE_WALLPAPER_CMD"),
               QStringLiteral("\"%1\" \"%2\" %f \"--image=%f\"").arg(script, output));

    const auto setter = rotation::makeWallpaperSetter(QString(), env);
    ASSERT_TRUE(setter);
    setter->apply(path);

    QFile written(output);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().split('\0'),
              (QList<QByteArray>{path.toUtf8(), ("--image=" + path).toUtf8(), {}}));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("pwned"))));
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, RealPrograms, ::testing::ValuesIn(nastyPaths()));

struct Session {
    const char* variables;  // NAME=value pairs separated by '|'
    const char* backend;
};

void PrintTo(const Session& session, std::ostream* out) {
    *out << '{' << session.variables << "} -> " << session.backend;
}

class BackendChoice : public ::testing::TestWithParam<Session> {};

TEST_P(BackendChoice, FollowsTheSession) {
    QProcessEnvironment env;
    for (const QString& pair :
         QString::fromUtf8(GetParam().variables).split('|', Qt::SkipEmptyParts))
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    EXPECT_EQ(rotation::chooseWallpaperBackend(env), QString::fromUtf8(GetParam().backend));
    EXPECT_TRUE(rotation::makeWallpaperSetter(QString(), env));
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_sessions, BackendChoice,
    ::testing::ValuesIn(std::vector<Session>{
        {"XDG_CURRENT_DESKTOP=ubuntu:GNOME|DISPLAY=:0", "gnome"},
        {"XDG_CURRENT_DESKTOP=GNOME|WAYLAND_DISPLAY=wayland-0", "gnome"},
        {"XDG_CURRENT_DESKTOP=Budgie:GNOME", "gnome"},
        {"XDG_CURRENT_DESKTOP=Unity:Unity7:ubuntu", "gnome"},
        {"XDG_CURRENT_DESKTOP=Pantheon", "gnome"},
        {"XDG_CURRENT_DESKTOP=GNOME-Flashback:GNOME", "gnome"},
        {"XDG_CURRENT_DESKTOP=X-Cinnamon|DISPLAY=:0", "cinnamon"},
        {"XDG_CURRENT_DESKTOP=MATE", "mate"},
        {"XDG_CURRENT_DESKTOP=KDE|WAYLAND_DISPLAY=wayland-0", "kde"},
        {"XDG_CURRENT_DESKTOP=kde", "kde"},
        {"XDG_CURRENT_DESKTOP=XFCE|DISPLAY=:0", "xfce"},
        {"XDG_CURRENT_DESKTOP=LXQt", "lxqt"},
        {"XDG_CURRENT_DESKTOP=sway|WAYLAND_DISPLAY=wayland-1", "sway"},
        // An unknown first entry gives way to a known later one.
        {"XDG_CURRENT_DESKTOP=Unknown::KDE", "kde"},
        {"SWAYSOCK=/run/user/1000/sway-ipc.sock|WAYLAND_DISPLAY=wayland-1", "sway"},
        {"XDG_CURRENT_DESKTOP=Hyprland|SWAYSOCK=/run/sway.sock", "sway"},
        {"DESKTOP_SESSION=plasma|DISPLAY=:0", "kde"},
        {"DESKTOP_SESSION=/usr/share/xsessions/xfce|DISPLAY=:0", "xfce"},
        {"DESKTOP_SESSION=ubuntu", "gnome"},
        {"DESKTOP_SESSION=cinnamon", "cinnamon"},
        {"DESKTOP_SESSION=Lubuntu", "lxqt"},
        {"XDG_CURRENT_DESKTOP=i3|DISPLAY=:1", "x11"},
        {"DISPLAY=:0", "x11"},
        // Xwayland's root window is never shown by an unknown compositor.
        {"XDG_CURRENT_DESKTOP=Hyprland|WAYLAND_DISPLAY=wayland-1|DISPLAY=:0", "none"},
        {"", "none"},
        // A command the user wrote wins over whatever the session offers.
        {"QUORVANE_WALLPAPER_CMD=feh --bg-fill %f|XDG_CURRENT_DESKTOP=KDE", "command"},
        {"QUORVANE_WALLPAPER_CMD=   |DISPLAY=:0", "x11"}}));

struct Request {
    const char* name;
    const char* problem;  // empty: usable
};

class BackendRequest : public ::testing::TestWithParam<Request> {};

TEST_P(BackendRequest, IsMadeOrExplained) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    const QString name = QString::fromUtf8(GetParam().name);
    const QString problem = QString::fromUtf8(GetParam().problem);
    EXPECT_EQ(rotation::wallpaperBackendProblem(name, env), problem);
    EXPECT_EQ(rotation::makeWallpaperSetter(name, env) == nullptr, !problem.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_names, BackendRequest,
    ::testing::ValuesIn(std::vector<Request>{
        {"gnome", ""},
        {"cinnamon", ""},
        {"mate", ""},
        {"kde", ""},
        {"xfce", ""},
        {"lxqt", ""},
        {"sway", ""},
        {"x11", ""},
        {"none", ""},
        {" KDE ", ""},
        {"windows", "The wallpaper backend \"windows\" is not available on this platform."},
        {"command",
         "The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD, for example "
         "QUORVANE_WALLPAPER_CMD='feh --bg-fill %f'."},
        {"gnome3",
         "Unknown wallpaper backend \"gnome3\". Known backends: gnome, cinnamon, mate, kde, "
         "xfce, lxqt, sway, x11, windows, command, none."}}));

TEST(wallpaper_requested_backend, CommandLineBeforeEnvironment) {
    QProcessEnvironment env;
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QString());
    env.insert(QStringLiteral("QUORVANE_WALLPAPER"), QStringLiteral("XFCE"));
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QStringLiteral("xfce"));
    EXPECT_EQ(rotation::requestedBackend(QStringLiteral("Sway"), env), QStringLiteral("sway"));
}

}  // namespace
}  // namespace wallpaper_test
