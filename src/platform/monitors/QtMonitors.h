#pragma once

#include "platform/monitors/MonitorSource.h"

class QScreen;

namespace platform {

// The monitors as Qt sees them: where the desktop has no layout of its own to ask (GNOME or
// KDE on Wayland, Windows), Qt's screens are the compositor's own outputs.
class QtMonitors final : public MonitorSource {
    Q_OBJECT
public:
    explicit QtMonitors(QObject* parent = nullptr);

    MonitorLayout monitors() override;

private:
    void watch(QScreen* screen);
};

}  // namespace platform
