#include "operations/LinePoints.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace operations {

std::vector<QPoint> linePoints(int x1, int y1, int x2, int y2) {
    const int dx = std::abs(x2 - x1) + 1;
    const int dy = std::abs(y2 - y1) + 1;
    std::vector<QPoint> points;
    // nearbyint follows the default rounding mode, round-half-to-even.
    if (dx > dy) {
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const double slope = (y1 > y2 ? -(dy - 1) : dy - 1);
        for (int i = 0; i < dx; ++i)
            points.emplace_back(x1 + i, int(std::nearbyint(double(i) / dx * slope + y1)));
    } else {
        if (y1 > y2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const double slope = (x1 > x2 ? -(dx - 1) : dx - 1);
        for (int i = 0; i < dy; ++i)
            points.emplace_back(int(std::nearbyint(double(i) / dy * slope + x1)), y1 + i);
    }
    return points;
}

}  // namespace operations
