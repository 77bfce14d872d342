#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

namespace wallpaper_test {
namespace {

struct Session {
    const char* variables;  // NAME=value pairs separated by '|'
    const char* backend;
};

void PrintTo(const Session& session, std::ostream* out) {
    *out << '{' << session.variables << "} -> " << session.backend;
}

QProcessEnvironment environment(const char* variables) {
    QProcessEnvironment env;
    for (const QString& pair : QString::fromUtf8(variables).split('|', Qt::SkipEmptyParts))
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    return env;
}

class BackendChoice : public ::testing::TestWithParam<Session> {};

TEST_P(BackendChoice, FollowsTheSession) {
    const QProcessEnvironment env = environment(GetParam().variables);
    EXPECT_EQ(rotation::chooseWallpaperBackend(env), QString::fromUtf8(GetParam().backend));
    EXPECT_TRUE(rotation::makeWallpaperSetter(QString(), env));
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_sessions, BackendChoice,
    ::testing::Values(
        Session{"XDG_CURRENT_DESKTOP=ubuntu:GNOME|DISPLAY=:0", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=GNOME|WAYLAND_DISPLAY=wayland-0", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=Budgie:GNOME", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=Unity:Unity7:ubuntu", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=Pantheon", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=GNOME-Flashback:GNOME", "gnome"},
        Session{"XDG_CURRENT_DESKTOP=X-Cinnamon|DISPLAY=:0", "cinnamon"},
        Session{"XDG_CURRENT_DESKTOP=MATE", "mate"},
        Session{"XDG_CURRENT_DESKTOP=KDE|WAYLAND_DISPLAY=wayland-0", "kde"},
        Session{"XDG_CURRENT_DESKTOP=kde", "kde"},
        Session{"XDG_CURRENT_DESKTOP=XFCE|DISPLAY=:0", "xfce"},
        Session{"XDG_CURRENT_DESKTOP=LXQt", "lxqt"},
        Session{"XDG_CURRENT_DESKTOP=sway|WAYLAND_DISPLAY=wayland-1", "sway"},
        // An unknown first entry gives way to a known later one.
        Session{"XDG_CURRENT_DESKTOP=Unknown::KDE", "kde"},
        Session{"SWAYSOCK=/run/user/1000/sway-ipc.sock|WAYLAND_DISPLAY=wayland-1", "sway"},
        Session{"XDG_CURRENT_DESKTOP=Hyprland|SWAYSOCK=/run/sway.sock", "sway"},
        Session{"DESKTOP_SESSION=plasma|DISPLAY=:0", "kde"},
        Session{"DESKTOP_SESSION=/usr/share/xsessions/xfce|DISPLAY=:0", "xfce"},
        Session{"DESKTOP_SESSION=ubuntu", "gnome"}, Session{"DESKTOP_SESSION=cinnamon", "cinnamon"},
        Session{"DESKTOP_SESSION=Lubuntu", "lxqt"},
        Session{"XDG_CURRENT_DESKTOP=i3|DISPLAY=:1", "x11"}, Session{"DISPLAY=:0", "x11"},
        // Xwayland's root window is never shown by an unknown compositor.
        Session{"XDG_CURRENT_DESKTOP=Hyprland|WAYLAND_DISPLAY=wayland-1|DISPLAY=:0", "none"},
        Session{"", "none"},
        // A command the user wrote wins over whatever the session offers.
        Session{"QUORVANE_WALLPAPER_CMD=feh --bg-fill %f|XDG_CURRENT_DESKTOP=KDE", "command"},
        Session{"QUORVANE_WALLPAPER_CMD=   |DISPLAY=:0", "x11"}));

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
    ::testing::Values(
        Request{"gnome", ""}, Request{"cinnamon", ""}, Request{"mate", ""}, Request{"kde", ""},
        Request{"xfce", ""}, Request{"lxqt", ""}, Request{"sway", ""}, Request{"x11", ""},
        Request{"none", ""}, Request{" KDE ", ""},
        Request{"windows", "The wallpaper backend \"windows\" is not available on this platform."},
        Request{"command",
                "The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD, for example "
                "QUORVANE_WALLPAPER_CMD='feh --bg-fill %f'."},
        Request{"gnome3",
                "Unknown wallpaper backend \"gnome3\". Known backends: gnome, cinnamon, mate, kde, "
                "xfce, lxqt, sway, x11, windows, command, none."}));

TEST(wallpaper_requested_backend, CommandLineBeforeEnvironment) {
    QProcessEnvironment env;
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QString());
    env.insert(QStringLiteral("QUORVANE_WALLPAPER"), QStringLiteral("XFCE"));
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QStringLiteral("xfce"));
    EXPECT_EQ(rotation::requestedBackend(QStringLiteral("Sway"), env), QStringLiteral("sway"));
}

}  // namespace
}  // namespace wallpaper_test
