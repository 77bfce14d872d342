#pragma once

#include "rotation/WallpaperSetter.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {
class MonitorSource;
}

namespace rotation {

// Every name --wallpaper-backend and QUORVANE_WALLPAPER accept, in the order help lists them.
QStringList wallpaperBackendNames();

// The backend the user asked for: the command-line name, else QUORVANE_WALLPAPER, else an
// empty string, which means "choose from the session". Lower-cased; names ignore case.
QString requestedBackend(const QString& commandLineName, const QProcessEnvironment& env);

// The backend that fits the session env describes; always one that is available here.
// The rules are written down in docs/wallpaper.md.
QString chooseWallpaperBackend(const QProcessEnvironment& env);

// The backend that the name (empty: the chosen one) stands for, as help lists it.
QString wallpaperBackendName(const QString& name, const QProcessEnvironment& env);

// Why the named backend (empty: the chosen one) cannot be used, as a sentence to print; an
// empty string when it can.
QString wallpaperBackendProblem(const QString& name, const QProcessEnvironment& env);

// The setter for the named backend (empty: the chosen one); nullptr exactly when
// wallpaperBackendProblem() has something to say.
std::unique_ptr<WallpaperSetter> makeWallpaperSetter(const QString& name,
                                                     const QProcessEnvironment& env);

// Where the named backend (empty: the chosen one) learns the monitor layout: sway's own
// outputs, the X server's monitors in an X11 session, else Qt's screens. Needs the
// application object.
std::unique_ptr<platform::MonitorSource> makeMonitorSource(const QString& name,
                                                           const QProcessEnvironment& env);

}  // namespace rotation
