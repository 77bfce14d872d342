#include "editor/WindowPlacement.h"

#include <cmath>

namespace editor {
namespace {

// Half of the room left on an axis, as a whole pixel; halves round to the even neighbour.
int halfOf(int room) { return int(std::nearbyint(room / 2.0)); }

}  // namespace

QPoint keptOnScreen(const QRect& frame, const QRect& screen) {
    int left = frame.left();
    int top = frame.top();
    if (left + frame.width() > screen.right() + 1) left = screen.right() + 1 - frame.width();
    if (top + frame.height() > screen.bottom() + 1) top = screen.bottom() + 1 - frame.height();
    if (left < screen.left()) left = screen.left();
    if (top < screen.top()) top = screen.top();
    return {left, top};
}

QPoint centredOrAtEdge(const QSize& frame, const QRect& screen) {
    const int top = frame.height() > screen.height() ? 0 : halfOf(screen.height() - frame.height());
    const int left = frame.width() > screen.width() ? 0 : halfOf(screen.width() - frame.width());
    return screen.topLeft() + QPoint(left, top);
}

QPoint centred(const QSize& frame, const QRect& screen) {
    return screen.topLeft() +
           QPoint(halfOf(screen.width() - frame.width()), halfOf(screen.height() - frame.height()));
}

}  // namespace editor
