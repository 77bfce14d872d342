#include "Monitor.h"

#include <algorithm>
#include <tuple>

namespace platform {

MonitorLayout orderedLayout(MonitorLayout monitors) {
    std::erase_if(monitors, [](const Monitor& monitor) {
        return monitor.area.isEmpty() || monitor.pixels.isEmpty();
    });
    std::stable_sort(monitors.begin(), monitors.end(), [](const Monitor& a, const Monitor& b) {
        return std::tuple(a.area.left(), a.area.top(), a.name) <
               std::tuple(b.area.left(), b.area.top(), b.name);
    });
    return monitors;
}

QRect boundingArea(const MonitorLayout& layout) {
    QRect box;
    for (const Monitor& monitor : layout) box |= monitor.area;
    return box;
}

}  // namespace platform
