#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace platform {

// One monitor as the desktop arranges it.
struct Monitor {
    // The connector's name as the desktop knows it ("DP-1", "HDMI-A-1"); empty where the
    // desktop gives none.
    QString name;
    // Where it sits in the desktop's layout, in the layout's own units: device pixels on X11,
    // logical pixels on a compositor that scales monitors (sway, GNOME and KDE on Wayland).
    QRect area;
    // Its size in device pixels: the size of a picture that fills it exactly.
    QSize pixels;

    friend bool operator==(const Monitor&, const Monitor&) = default;
};

// Left to right, then top to bottom: the order "the next monitor" walks in.
using MonitorLayout = std::vector<Monitor>;

// The layout in that order (by left edge, then top edge, then name), without monitors of no
// size, which a switched-off output may report.
MonitorLayout orderedLayout(MonitorLayout monitors);

// The smallest rectangle holding every monitor's area; empty for no monitors.
QRect boundingArea(const MonitorLayout& layout);

}  // namespace platform
