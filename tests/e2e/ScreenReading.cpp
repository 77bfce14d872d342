#include "e2e/ScreenReading.h"

#include <algorithm>

namespace e2e {

QString describe(QRgb colour) {
    return QStringLiteral("rgb(%1, %2, %3)")
        .arg(qRed(colour))
        .arg(qGreen(colour))
        .arg(qBlue(colour));
}

bool isWhite(QRgb colour) { return (colour & 0xFFFFFFu) == 0xFFFFFFu; }

bool isSaturated(QRgb colour) {
    const int high = std::max({qRed(colour), qGreen(colour), qBlue(colour)});
    const int low = std::min({qRed(colour), qGreen(colour), qBlue(colour)});
    return high - low > 60;
}

std::optional<QPoint> findColour(const QImage& screen, const QRect& area, QRgb colour) {
    const QRect inside = area & screen.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((screen.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) return QPoint(x, y);
    return std::nullopt;
}

namespace {

// How many pixels of the colour at (x, y) follow one another from there, up to `right`.
int runLength(const QImage& screen, int x, int y, int right) {
    const QRgb colour = screen.pixel(x, y);
    int length = 1;
    while (x + length <= right && screen.pixel(x + length, y) == colour) ++length;
    return length;
}

}  // namespace

std::optional<QRect> findUniformBox(const QImage& screen, const QRect& area, QSize size) {
    const QRect inside = area & screen.rect();
    for (int y = inside.top(); y + size.height() - 1 <= inside.bottom(); ++y) {
        for (int x = inside.left(); x + size.width() - 1 <= inside.right();) {
            const QRgb colour = screen.pixel(x, y);
            const int length = runLength(screen, x, y, inside.right());
            bool box = length == size.width();
            for (int row = y + 1; box && row < y + size.height(); ++row)
                box = (x == inside.left() || screen.pixel(x - 1, row) != colour) &&
                      screen.pixel(x, row) == colour &&
                      runLength(screen, x, row, inside.right()) == size.width();
            if (box) return QRect(QPoint(x, y), size);
            x += length;
        }
    }
    return std::nullopt;
}

namespace {

// The runs of positions first..last whose pixel belongs.
std::vector<PixelRun> runsAlong(int first, int last, const std::function<QRgb(int)>& pixel,
                                const std::function<bool(QRgb)>& belongs) {
    std::vector<PixelRun> runs;
    for (int at = first; at <= last; ++at) {
        if (!belongs(pixel(at))) continue;
        if (!runs.empty() && runs.back().end() == at)
            ++runs.back().length;
        else
            runs.push_back({at, 1});
    }
    return runs;
}

}  // namespace

std::vector<PixelRun> runsDown(const QImage& screen, int x, int top, int bottom,
                               const std::function<bool(QRgb)>& belongs) {
    if (x < 0 || x >= screen.width()) return {};
    return runsAlong(
        std::max(top, 0), std::min(bottom, screen.height() - 1),
        [&](int y) { return screen.pixel(x, y); }, belongs);
}

std::vector<PixelRun> runsAcross(const QImage& screen, int y, int left, int right,
                                 const std::function<bool(QRgb)>& belongs) {
    if (y < 0 || y >= screen.height()) return {};
    return runsAlong(
        std::max(left, 0), std::min(right, screen.width() - 1),
        [&](int x) { return screen.pixel(x, y); }, belongs);
}

QRect differingArea(const QImage& screen, QPoint origin, const QImage& picture) {
    QRect area;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QPoint at = origin + QPoint(x, y);
            if (!screen.rect().contains(at) ||
                (screen.pixel(at) & 0xFFFFFFu) != (picture.pixel(x, y) & 0xFFFFFFu))
                area |= QRect(x, y, 1, 1);
        }
    return area;
}

QString firstDifference(const QImage& screen, QPoint origin, const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QPoint at = origin + QPoint(x, y);
            const QRgb expected = picture.pixel(x, y) & 0xFFFFFFu;
            if (!screen.rect().contains(at))
                return QStringLiteral("picture pixel (%1, %2) lies off the screen").arg(x).arg(y);
            if ((screen.pixel(at) & 0xFFFFFFu) != expected)
                return QStringLiteral("picture pixel (%1, %2) at screen (%3, %4) is %5, not %6")
                    .arg(x)
                    .arg(y)
                    .arg(at.x())
                    .arg(at.y())
                    .arg(describe(screen.pixel(at)), describe(expected));
        }
    return {};
}

}  // namespace e2e
