#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace app {

// The path of the running executable, found before any application object exists: the
// kernel's link where there is one (it survives a start through PATH or a relative path),
// else argv[0] made absolute, looked up in PATH when it has no folder.
QString executablePath(const char* argv0, const QProcessEnvironment& env);

// `quorvane --autostart on|off|status`: deals with the log-in start entry of this program and
// `home` (empty for the default program folder), prints its answer and returns the exit code.
int runAutostartCommand(const QString& action, const QString& program, const QString& home,
                        const QProcessEnvironment& env);

}  // namespace app
