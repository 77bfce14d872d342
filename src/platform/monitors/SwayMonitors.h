#pragma once

#include <QByteArray>
#include <QString>

#include "platform/monitors/MonitorSource.h"

class QLocalSocket;

namespace platform {

// The outputs of a running sway, asked over its IPC socket (SWAYSOCK): their names, their
// places in the layout (logical pixels) and their modes (device pixels). A subscription to
// sway's output events tells of every change.
class SwayMonitors final : public MonitorSource {
    Q_OBJECT
public:
    explicit SwayMonitors(QString socketPath, QObject* parent = nullptr);
    ~SwayMonitors() override;

    MonitorLayout monitors() override;

private:
    void readEvents();

    QString socketPath_;
    QLocalSocket* events_;
    QByteArray pending_;
};

// The layout a GET_OUTPUTS reply describes: active outputs only, a rotated output's pixels
// turned with it.
MonitorLayout swayOutputsLayout(const QByteArray& reply);

}  // namespace platform
