#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include "ProcessRunner.h"

namespace platform {

// Runs a program with posix_spawn and plain pipes until it ends, the deadline passes or this
// program is asked to end; the program is killed in the last two cases. Everything it opens
// is closed again on every path, also when the program cannot be executed: a desktop tool
// that fails is run again at every wallpaper change for as long as the program lives.
ProcessResult runSpawnedProgram(const QString& program, const QStringList& arguments,
                                const QDeadlineTimer& deadline);

}  // namespace platform
