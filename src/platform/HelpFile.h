#pragma once

#include <QString>

namespace platform {

// The name of the program's help file.
inline QString helpFileName() { return QStringLiteral("Quorvane.html"); }

// Where the help file is: beside the executable (a build tree or a portable install), else in
// ../share/quorvane as an installed program has it. Empty when it is in neither place.
QString findHelpFile(const QString& executableFolder);

}  // namespace platform
