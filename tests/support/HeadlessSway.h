#pragma once

#include <sys/types.h>

#include "support/DesktopSession.h"

namespace testing_support {

// A real sway on wlroots' headless backend, drawn by the CPU, in a desktop session of the
// test's own. Sway refuses to run as root: a root test runs it as nobody, in folders of its
// own. Its IPC socket is the session's SWAYSOCK.
class HeadlessSway {
public:
    explicit HeadlessSway(DesktopSession& session) : session_(session) {}

    // Starts sway on `outputs` outputs with this configuration; why not, or empty.
    QString start(const QByteArray& config, int outputs = 1);

    // A command line that runs a program as sway's user in sway's environment.
    QStringList asSwayUser(const QStringList& command) const;
    // The Wayland socket, by its whole path, for clients with another runtime folder.
    QString display() const;
    // What the outputs, or one of them, show (grim).
    QImage screenshot(const QString& output = {}) const;
    // Sway's window tree (swaymsg -t get_tree), as JSON.
    QByteArray tree() const;

private:
    QStringList environment() const;

    DesktopSession& session_;
    QStringList asUser_ = {"env"};
    uid_t uid_;
    int outputs_ = 1;
};

}  // namespace testing_support
