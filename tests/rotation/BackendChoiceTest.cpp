#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

namespace {

// "NAME=value|NAME=value -> backend"
class BackendChoice : public ::testing::TestWithParam<const char*> {};

TEST_P(BackendChoice, FollowsTheSession) {
    const QStringList parts = QString::fromUtf8(GetParam()).split(QStringLiteral(" -> "));
    QProcessEnvironment env;
    for (const QString& pair : parts[0].split('|', Qt::SkipEmptyParts))
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    EXPECT_EQ(rotation::chooseWallpaperBackend(env), parts[1]);
    EXPECT_TRUE(rotation::makeWallpaperSetter(QString(), env));
}

INSTANTIATE_TEST_SUITE_P(
    , BackendChoice,
    ::testing::Values(
        "XDG_CURRENT_DESKTOP=ubuntu:GNOME|DISPLAY=:0 -> gnome",
        "XDG_CURRENT_DESKTOP=Budgie:GNOME -> gnome",
        "XDG_CURRENT_DESKTOP=Unity:Unity7:ubuntu -> gnome", "XDG_CURRENT_DESKTOP=Pantheon -> gnome",
        "XDG_CURRENT_DESKTOP=X-Cinnamon|DISPLAY=:0 -> cinnamon", "XDG_CURRENT_DESKTOP=MATE -> mate",
        "XDG_CURRENT_DESKTOP=KDE|WAYLAND_DISPLAY=wayland-0 -> kde",
        "XDG_CURRENT_DESKTOP=XFCE|DISPLAY=:0 -> xfce", "XDG_CURRENT_DESKTOP=LXQt -> lxqt",
        "XDG_CURRENT_DESKTOP=sway|WAYLAND_DISPLAY=wayland-1 -> sway",
        // An unknown first entry gives way to a known later one.
        "XDG_CURRENT_DESKTOP=Unknown::KDE -> kde",
        "XDG_CURRENT_DESKTOP=Hyprland|SWAYSOCK=/run/sway.sock -> sway",
        "DESKTOP_SESSION=plasma|DISPLAY=:0 -> kde",
        "DESKTOP_SESSION=/usr/share/xsessions/xfce|DISPLAY=:0 -> xfce",
        "DESKTOP_SESSION=ubuntu -> gnome", "DESKTOP_SESSION=cinnamon -> cinnamon",
        "DESKTOP_SESSION=Lubuntu -> lxqt", "XDG_CURRENT_DESKTOP=i3|DISPLAY=:1 -> x11",
        // Xwayland's root window is never shown by an unknown compositor.
        "XDG_CURRENT_DESKTOP=Hyprland|WAYLAND_DISPLAY=wayland-1|DISPLAY=:0 -> none", " -> none",
        // A command the user wrote wins over whatever the session offers.
        "QUORVANE_WALLPAPER_CMD=feh --bg-fill %f|XDG_CURRENT_DESKTOP=KDE -> command",
        "QUORVANE_WALLPAPER_CMD=   |DISPLAY=:0 -> x11"));

// "name: problem"; no problem, a usable backend.
class BackendRequest : public ::testing::TestWithParam<const char*> {};

TEST_P(BackendRequest, IsMadeOrExplained) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    const QString name = QString::fromUtf8(GetParam()).section(':', 0, 0);
    const QString problem = QString::fromUtf8(GetParam()).section(": ", 1);
    EXPECT_EQ(rotation::wallpaperBackendProblem(name, env), problem);
    EXPECT_EQ(rotation::makeWallpaperSetter(name, env) == nullptr, !problem.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    , BackendRequest,
    ::testing::Values("gnome", "cinnamon", "mate", "kde", "xfce", "lxqt", "sway", "x11", "none",
                      " KDE ",
                      "windows: The wallpaper backend \"windows\" is not available on this "
                      "platform.",
                      "command: The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD, "
                      "for example QUORVANE_WALLPAPER_CMD='feh --bg-fill %f'.",
                      "gnome3: Unknown wallpaper backend \"gnome3\". Known backends: gnome, "
                      "cinnamon, mate, kde, xfce, lxqt, sway, x11, windows, command, none."));

TEST(RequestedBackend, CommandLineBeforeEnvironment) {
    QProcessEnvironment env;
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QString());
    env.insert(QStringLiteral("QUORVANE_WALLPAPER"), QStringLiteral("XFCE"));
    EXPECT_EQ(rotation::requestedBackend(QString(), env), QStringLiteral("xfce"));
    EXPECT_EQ(rotation::requestedBackend(QStringLiteral("Sway"), env), QStringLiteral("sway"));
}

}  // namespace
