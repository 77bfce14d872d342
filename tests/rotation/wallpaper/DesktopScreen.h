#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>
#include <optional>

namespace wallpaper_test {

// Big enough for a desktop's icons to leave most of the background free.
inline const QSize kScreenSize(320, 240);

// The one colour (opaque, as qRgb() makes it) the screen shows along its right edge, where no
// desktop icon sits (desktops arrange them from the top left); nothing when the edge shows
// more than one colour.
std::optional<QRgb> backgroundColour(const QImage& screen);

// A colour as "#rrggbb", or a note that there was none, for failure messages.
QString colourText(std::optional<QRgb> colour);

}  // namespace wallpaper_test
