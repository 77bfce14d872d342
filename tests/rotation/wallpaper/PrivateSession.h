#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "BackgroundProgram.h"
#include "support/TempFolder.h"

namespace wallpaper_test {

// How long a test waits for a desktop component to come up or to show a change. A guard
// against hanging, not a measurement: things normally take milliseconds.
inline constexpr int kComponentDeadlineMs = 15000;

// Calls condition every few milliseconds, letting Qt deliver events in between, until it
// holds (true) or deadlineMs have passed (false).
bool pollUntil(const std::function<bool()>& condition, int deadlineMs = kComponentDeadlineMs);

// What a program the test runs to look at the session (gsettings get, xfconf-query) printed,
// without the line break it ends with; a marker with its complaint when it failed.
QString programOutput(const QString& program, const QStringList& arguments);

// A desktop session of the test's own, as a login would set it up: a session bus, home and
// XDG folders, optionally an X display, and the components started on them. While it exists
// this process's environment (which every program Quorvane starts inherits) points at it and
// its working folder lies inside it; both are put back when it goes, after every component
// it started has been ended, last started first.
class PrivateSession {
public:
    PrivateSession();
    ~PrivateSession();
    PrivateSession(const PrivateSession&) = delete;
    PrivateSession& operator=(const PrivateSession&) = delete;

    // Why the session bus is not up; empty when it is.
    const QString& problem() const { return problem_; }
    const QString& busAddress() const { return busAddress_; }
    QString configHome() const;
    // A folder for the test's own files.
    QString filesFolder() const;

    // Sets a variable for this process and every program started from now on.
    void setVariable(const char* name, const QString& value);

    // Starts the program the session bus would start for a D-Bus name (the Exec line of its
    // service file) and waits until it owns the name. Empty when it does, else why not.
    QString startBusService(const QString& name);
    // Starts a program and waits until it owns a D-Bus name. Empty when it does, else why not.
    QString startOwnerOf(const QString& name, const QString& program, const QStringList& arguments);
    // Starts an X server (Xvfb) of this size at 24 bits and points DISPLAY at it.
    QString startDisplay(QSize size);

    bool ownsName(const QString& name) const;
    // The screen as the X server shows it (`import -window root`); null when it cannot be read.
    QImage screen() const;
    // Waits until the screen's background (see backgroundColour) is colour, and returns what it
    // shows then or at the deadline.
    std::optional<QRgb> waitForBackground(QRgb colour) const;
    // What `touch pwned` would have left behind anywhere a component of this session could
    // have run it: the session's folders, the working folder this process had before, and /.
    QStringList pwnedFiles() const;
    // The state and output of every component, for failure messages.
    QString report() const;

private:
    BackgroundProgram& start(const QString& program, const QStringList& arguments);
    QString waitForName(const QString& name, const BackgroundProgram& owner);

    testing_support::TempFolder folder_;
    QString problem_;
    QString busAddress_;
    QString previousWorkingFolder_;
    std::map<QByteArray, std::optional<QByteArray>> previousVariables_;
    std::vector<std::unique_ptr<BackgroundProgram>> programs_;
    QString connectionName_;
    std::optional<QDBusConnection> bus_;
};

}  // namespace wallpaper_test
