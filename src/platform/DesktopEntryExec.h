#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// The Exec key of a freedesktop desktop entry, both ways. Desktop environments split it into
// a program and its arguments themselves (no shell runs it), so every path is quoted and
// escaped by the entry's own rules rather than a shell's.

// The Exec value that starts `arguments` (program first) exactly, escaped as the key file's
// string value. Throws std::invalid_argument for an argument no desktop entry can carry
// (a control character such as a newline).
QString desktopExecValue(const QStringList& arguments);

// The Exec value as the key file stores it, back to the command line it means.
QString unescapeDesktopString(const QString& stored);

// The program and arguments a desktop environment starts for a command line (already
// unescaped), with field codes (%f, %U, ...) dropped as for a launch without files.
// Nothing when the quoting is broken.
std::optional<QStringList> splitDesktopCommand(const QString& command);

}  // namespace platform
