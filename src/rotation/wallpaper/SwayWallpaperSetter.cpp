#include "SwayWallpaperSetter.h"

#include "SwayQuoting.h"

namespace rotation {

SwayWallpaperSetter::SwayWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void SwayWallpaperSetter::apply(const QString& path) {
    // "fill" scales to cover the output and crops the overhang, as the X11 setter does.
    run_(QStringLiteral("swaymsg"),
         {QStringLiteral("output"), QStringLiteral("*"), QStringLiteral("bg"), swayQuotedPath(path),
          QStringLiteral("fill")},
         kWallpaperProgramTimeoutMs);
}

}  // namespace rotation
