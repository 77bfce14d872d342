#include "QtMonitors.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform {

QtMonitors::QtMonitors(QObject* parent) : MonitorSource(parent) {
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        emit layoutMayHaveChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &MonitorSource::layoutMayHaveChanged);
    for (QScreen* screen : QGuiApplication::screens()) watch(screen);
}

void QtMonitors::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &MonitorSource::layoutMayHaveChanged);
}

MonitorLayout QtMonitors::monitors() {
    MonitorLayout layout;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        layout.push_back({screen->name(), area,
                          QSize(int(std::lround(area.width() * ratio)),
                                int(std::lround(area.height() * ratio)))});
    }
    return orderedLayout(layout);
}

}  // namespace platform
