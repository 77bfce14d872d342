#pragma once

#include <QString>
#include <memory>

#include "platform/monitors/MonitorSource.h"

class QSocketNotifier;

namespace platform {

// The monitors of an X server: the Xinerama heads where Xinerama is on (a real multi-screen
// server, or RandR's own emulation of it), else RandR's monitors, else the whole root
// window. Names come from RandR where one of its monitors has a head's geometry. Changes
// are learnt from RandR's notifications on a connection of its own.
class X11Monitors final : public MonitorSource {
    Q_OBJECT
public:
    // displayName as in DISPLAY; empty means this process's DISPLAY.
    explicit X11Monitors(const QString& displayName, QObject* parent = nullptr);
    ~X11Monitors() override;

    MonitorLayout monitors() override;

private:
    void drainEvents();

    struct Connection;
    std::unique_ptr<Connection> connection_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
