#include "editor/WindowPlacement.h"

#include <cmath>

namespace editor {
namespace {

// Half of the room left on an axis, as a whole pixel; halves round to the even neighbour.
int halfOf(int room) { return int(std::nearbyint(room / 2.0)); }

}  // namespace

QPoint keptOnScreen(const QRect& frame, const QSize& screen) {
    int left = frame.left();
    int top = frame.top();
    if (left + frame.width() > screen.width()) left = screen.width() - frame.width();
    if (top + frame.height() > screen.height()) top = screen.height() - frame.height();
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    return {left, top};
}

QPoint centredOrAtEdge(const QSize& frame, const QSize& screen) {
    const int top = frame.height() > screen.height() ? 0 : halfOf(screen.height() - frame.height());
    const int left = frame.width() > screen.width() ? 0 : halfOf(screen.width() - frame.width());
    return {left, top};
}

QPoint centred(const QSize& frame, const QSize& screen) {
    return {halfOf(screen.width() - frame.width()), halfOf(screen.height() - frame.height())};
}

}  // namespace editor
