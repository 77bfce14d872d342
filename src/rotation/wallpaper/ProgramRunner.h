#pragma once

#include "platform/ProcessRunner.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rotation {

// Starts a desktop tool with an argument list and waits for it; the backends take it as a
// parameter so tests can record exactly what would have been started.
using ProgramRunner = std::function<platform::ProcessResult(
    const QString& program, const QStringList& arguments, int timeoutMs)>;

// A desktop tool that hangs (a stuck session bus, say) must not freeze the tray for long:
// the rotation runs on the UI thread. One wallpaper change may take this long in all,
// whatever number of programs it starts.
inline constexpr int kWallpaperChangeBudgetMs = 5000;

}  // namespace rotation
