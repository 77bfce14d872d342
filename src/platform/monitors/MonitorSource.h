#pragma once

#include <QObject>

#include "platform/monitors/Monitor.h"

namespace platform {

// Where the program learns the monitor layout, and when it changes. Each kind of desktop
// keeps it somewhere else; tests hand in any layout they like.
class MonitorSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The layout now, ordered; empty when it cannot be read, which callers treat as a single
    // monitor they know nothing about.
    virtual MonitorLayout monitors() = 0;

signals:
    // Monitors came, went or changed; several may arrive for one change.
    void layoutMayHaveChanged();
};

}  // namespace platform
