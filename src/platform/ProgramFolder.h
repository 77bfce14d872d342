#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace platform {

// Where the setup store and the wallpaper bitmaps live, in order of precedence:
//   1. the folder given on the command line (--home DIR),
//   2. QUORVANE_HOME,
//   3. the executable's folder when it is writable (a portable install),
//   4. $XDG_DATA_HOME/quorvane (or ~/.local/share/quorvane).
// The chosen folder is created when missing. The result has no trailing separator.
QString resolveProgramFolder(const QString& commandLineHome, const QProcessEnvironment& env,
                             const QString& executableFolder);

}  // namespace platform
