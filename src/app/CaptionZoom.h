#pragma once

#include <QRect>

class QWidget;

namespace app {

// A window caption that zooms from one rectangle to another, as a brief hint of where the
// window went (into the notification area) or came from. Draws nothing when either
// rectangle is unknown.
void zoomCaption(const QRect& from, const QRect& to);

}  // namespace app
