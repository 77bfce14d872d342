#include "WallpaperBackends.h"

#include "CinnamonWallpaperSetter.h"
#include "CommandWallpaperSetter.h"
#include "GnomeWallpaperSetter.h"
#include "KdeWallpaperSetter.h"
#include "LxqtWallpaperSetter.h"
#include "MateWallpaperSetter.h"
#include "NullWallpaperSetter.h"
#include "SwayWallpaperSetter.h"
#include "WindowsWallpaperSetter.h"
#include "XfceWallpaperSetter.h"
#include "platform/monitors/QtMonitors.h"
#include "platform/monitors/SwayMonitors.h"
#ifdef QUORVANE_WITH_X11
#include "X11WallpaperSetter.h"
#include "platform/monitors/X11Monitors.h"
#endif

#include <QFileInfo>
#include <QProcess>
#include <array>

namespace rotation {

namespace {

using Factory = std::unique_ptr<WallpaperSetter> (*)(const QProcessEnvironment&);

struct Backend {
    const char* name;
    Factory make;  // nullptr where this build cannot offer the backend
};

QString userCommand(const QProcessEnvironment& env) {
    return env.value(QStringLiteral("QUORVANE_WALLPAPER_CMD"));
}

template <typename Setter>
std::unique_ptr<WallpaperSetter> make(const QProcessEnvironment&) {
    return std::make_unique<Setter>();
}

std::unique_ptr<WallpaperSetter> makeCommand(const QProcessEnvironment& env) {
    return std::make_unique<CommandWallpaperSetter>(userCommand(env));
}

#ifdef QUORVANE_WITH_X11
std::unique_ptr<WallpaperSetter> makeX11(const QProcessEnvironment& env) {
    return std::make_unique<X11WallpaperSetter>(env.value(QStringLiteral("DISPLAY")));
}
#endif

const std::array<Backend, 11> kBackends = {{
    {"gnome", make<GnomeWallpaperSetter>},
    {"cinnamon", make<CinnamonWallpaperSetter>},
    {"mate", make<MateWallpaperSetter>},
    {"kde", make<KdeWallpaperSetter>},
    {"xfce", make<XfceWallpaperSetter>},
    {"lxqt", make<LxqtWallpaperSetter>},
    {"sway", make<SwayWallpaperSetter>},
#ifdef QUORVANE_WITH_X11
    {"x11", makeX11},
#else
    {"x11", nullptr},
#endif
#ifdef Q_OS_WIN
    {"windows", make<WindowsWallpaperSetter>},
#else
    {"windows", nullptr},
#endif
    {"command", makeCommand},
    {"none", make<NullWallpaperSetter>},
}};

const Backend* findBackend(const QString& name) {
    for (const Backend& backend : kBackends)
        if (name == QLatin1String(backend.name)) return &backend;
    return nullptr;
}

#ifndef Q_OS_WIN
// One entry of XDG_CURRENT_DESKTOP, or a DESKTOP_SESSION name, to the backend that speaks
// to that desktop; empty when there is none.
QString backendForDesktop(const QString& desktop) {
    const QString d = desktop.trimmed().toLower();
    if (d.startsWith(QLatin1String("gnome")) || d.startsWith(QLatin1String("budgie")) ||
        d.startsWith(QLatin1String("ubuntu")) || d.startsWith(QLatin1String("unity")) ||
        d == QLatin1String("pantheon"))
        return QStringLiteral("gnome");
    if (d.startsWith(QLatin1String("cinnamon")) || d == QLatin1String("x-cinnamon"))
        return QStringLiteral("cinnamon");
    if (d == QLatin1String("mate")) return QStringLiteral("mate");
    if (d == QLatin1String("kde") || d.startsWith(QLatin1String("plasma")))
        return QStringLiteral("kde");
    if (d.startsWith(QLatin1String("xfce")) || d == QLatin1String("xubuntu"))
        return QStringLiteral("xfce");
    if (d == QLatin1String("lxqt") || d == QLatin1String("lubuntu")) return QStringLiteral("lxqt");
    if (d == QLatin1String("sway")) return QStringLiteral("sway");
    return {};
}

QString chooseForUnixSession(const QProcessEnvironment& env) {
    const QStringList desktops = env.value(QStringLiteral("XDG_CURRENT_DESKTOP"))
                                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops) {
        const QString backend = backendForDesktop(desktop);
        if (!backend.isEmpty()) return backend;
    }
    if (!env.value(QStringLiteral("SWAYSOCK")).isEmpty()) return QStringLiteral("sway");
    // Display managers set it to the session file's name, some to its full path.
    const QString session = QFileInfo(env.value(QStringLiteral("DESKTOP_SESSION"))).fileName();
    const QString backend = backendForDesktop(session);
    if (!backend.isEmpty()) return backend;
    // Under an unknown Wayland compositor the X root window (of Xwayland) is never seen.
    if (!env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) return QStringLiteral("none");
#ifdef QUORVANE_WITH_X11
    if (!env.value(QStringLiteral("DISPLAY")).isEmpty()) return QStringLiteral("x11");
#endif
    return QStringLiteral("none");
}
#endif

}  // namespace

QStringList wallpaperBackendNames() {
    QStringList names;
    for (const Backend& backend : kBackends) names.append(QLatin1String(backend.name));
    return names;
}

QString requestedBackend(const QString& commandLineName, const QProcessEnvironment& env) {
    QString name = commandLineName.trimmed();
    if (name.isEmpty()) name = env.value(QStringLiteral("QUORVANE_WALLPAPER")).trimmed();
    return name.toLower();
}

QString chooseWallpaperBackend(const QProcessEnvironment& env) {
    // A user who wrote their own command wants it used; the desktop's tools come second.
    if (!QProcess::splitCommand(userCommand(env)).isEmpty()) return QStringLiteral("command");
#ifdef Q_OS_WIN
    return QStringLiteral("windows");
#else
    return chooseForUnixSession(env);
#endif
}

QString wallpaperBackendName(const QString& name, const QProcessEnvironment& env) {
    return name.trimmed().isEmpty() ? chooseWallpaperBackend(env) : name.trimmed().toLower();
}

QString wallpaperBackendProblem(const QString& name, const QProcessEnvironment& env) {
    const QString wanted = wallpaperBackendName(name, env);
    const Backend* backend = findBackend(wanted);
    if (!backend)
        return QStringLiteral("Unknown wallpaper backend \"%1\". Known backends: %2.")
            .arg(name.trimmed(), wallpaperBackendNames().join(QStringLiteral(", ")));
    if (!backend->make)
        return QStringLiteral("The wallpaper backend \"%1\" is not available on this platform.")
            .arg(wanted);
    if (wanted == QLatin1String("command") && QProcess::splitCommand(userCommand(env)).isEmpty())
        return QStringLiteral(
            "The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD, for example "
            "QUORVANE_WALLPAPER_CMD='feh --bg-fill %f'.");
    return {};
}

std::unique_ptr<WallpaperSetter> makeWallpaperSetter(const QString& name,
                                                     const QProcessEnvironment& env) {
    if (!wallpaperBackendProblem(name, env).isEmpty()) return nullptr;
    return findBackend(wallpaperBackendName(name, env))->make(env);
}

std::unique_ptr<platform::MonitorSource> makeMonitorSource(const QString& name,
                                                           const QProcessEnvironment& env) {
    const QString backend = wallpaperBackendName(name, env);
    const QString swaySocket = env.value(QStringLiteral("SWAYSOCK"));
    if (backend == QLatin1String("sway") && !swaySocket.isEmpty())
        return std::make_unique<platform::SwayMonitors>(swaySocket);
#ifdef QUORVANE_WITH_X11
    // The root window's own server for the x11 backend; on a Wayland session the X server
    // (Xwayland) knows nothing of the compositor's outputs.
    const QString display = env.value(QStringLiteral("DISPLAY"));
    if (!display.isEmpty() &&
        (backend == QLatin1String("x11") || env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()))
        return std::make_unique<platform::X11Monitors>(display);
#endif
    return std::make_unique<platform::QtMonitors>();
}

}  // namespace rotation
