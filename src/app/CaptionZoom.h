#pragma once

#include <QRect>
#include <functional>

namespace app {

// A window caption that zooms from one rectangle to another, as a brief hint of where the
// window went (into the notification area) or came from. `to` is read at every step, so the
// caption ends where a window that is still being placed really lands. Draws nothing when
// either rectangle is unknown at the start.
void zoomCaption(const QRect& from, const std::function<QRect()>& to);

}  // namespace app
