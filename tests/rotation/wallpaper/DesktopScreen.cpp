#include "DesktopScreen.h"

namespace wallpaper_test {

std::optional<QRgb> backgroundColour(const QImage& screen) {
    if (screen.width() < 8 || screen.height() < 8) return std::nullopt;
    const int x = screen.width() - 4;
    const QRgb colour = screen.pixel(x, 2) | ~RGB_MASK;
    for (int y = 2; y < screen.height() - 2; y += 4)
        if ((screen.pixel(x, y) | ~RGB_MASK) != colour) return std::nullopt;
    return colour;
}

QString colourText(std::optional<QRgb> colour) {
    if (!colour) return QStringLiteral("<no one colour>");
    return QStringLiteral("#%1").arg(*colour & RGB_MASK, 6, 16, QLatin1Char('0'));
}

}  // namespace wallpaper_test
