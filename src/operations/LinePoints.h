#pragma once

#include <QPoint>
#include <vector>

namespace operations {

// The points the pencil plots from (x1, y1) to (x2, y2): one per pixel along the longer
// axis, the other coordinate stepping by (its distance) / (point count), rounded half to
// even. Dividing by the point count rather than the distance makes the last point fall up
// to a pixel short on the shorter axis; the same points come out whichever end is first.
std::vector<QPoint> linePoints(int x1, int y1, int x2, int y2);

}  // namespace operations
