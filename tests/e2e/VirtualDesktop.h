#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <memory>
#include <optional>

#include "XConnection.h"

namespace e2e {

// A desktop of our own: a virtual X server (Xvfb) on a free display with an XEmbed
// notification area (trayer) docked at its bottom right, and nothing else - no window
// manager, no session bus. Both programs end with the object, whatever the test's outcome.
class VirtualDesktop {
public:
    VirtualDesktop() = default;
    ~VirtualDesktop();
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;

    // Starts the server and the tray, keeping their files in workFolder; returns what went
    // wrong, or an empty string once the tray owns the tray manager selection.
    QString start(const QString& workFolder);

    QString displayName() const { return displayName_; }
    qint64 trayProcessId() const { return tray_.processId(); }
    XConnection& x() { return *connection_; }

    // The environment of a program started on this desktop: only the display, none of the
    // session this test itself may run in.
    QProcessEnvironment environment() const;

    // Runs a short X client (xdotool, import) on the display and returns its output, or
    // nothing when it failed.
    std::optional<QByteArray> run(const QString& program, const QStringList& arguments) const;

private:
    QString workFolder_;
    QString displayName_;
    QProcess server_;
    QProcess tray_;
    std::unique_ptr<XConnection> connection_;
};

// Asks a child to end, then makes sure it has.
void endProcess(QProcess& process);

}  // namespace e2e
