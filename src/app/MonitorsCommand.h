#pragma once

#include <QString>

namespace app {

// `quorvane --monitors same|each|span|status`: sets, or prints, what the monitors of the
// desktop show, as kept in the store of programFolder; returns the exit code. A running
// copy on the folder takes a new choice at its next change of wallpaper.
int runMonitorsCommand(const QString& action, const QString& programFolder);

}  // namespace app
