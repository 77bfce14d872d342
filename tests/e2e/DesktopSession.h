#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

#include "e2e/XConnection.h"

namespace e2e {

// How long any wait lasts before the test gives up on it.
inline constexpr int kDeadlineMs = 15000;

// Asks a child to end, then makes sure it has.
void endProcess(QProcess& process);
// Makes the child end with the test process, however that ends: killed by a time limit,
// crashed or stopped in a debugger.
void tieToTest(QProcess& process);

// A desktop of its own for one test: a virtual X server (Xvfb), a window manager (openbox)
// and an XEmbed notification area (trayer), with no session bus and a home folder inside
// the test's folder. Ends everything it started when it goes, also after a failed test.
class DesktopSession {
public:
    DesktopSession(QString folder, QSize screen);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Returns what went wrong, or nothing once the window manager and the notification
    // area are ready.
    QString start();

    // Only the display, none of the session this test itself may run in.
    QProcessEnvironment environment() const;
    QString home() const;
    QSize screenSize() const { return screen_; }
    XConnection& x() { return *x_; }
    qint64 trayPid() const { return tray_.processId(); }

    // Polls the condition, reading the server's events in between, until it holds or the
    // deadline passes.
    bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kDeadlineMs);

    // Runs a short X client (xdotool, import) on the display; false when it failed.
    bool run(const QString& client, const QStringList& arguments) const;
    bool saveScreen(const QString& path) const;
    // The root window as `import` sees it; a null image when it could not be taken.
    QImage grabScreen() const;

    // Real input through the XTEST extension (xdotool). The server takes the motion before
    // the buttons, as it handles requests in order.
    bool click(QPoint at, int button = 1, int count = 1) const;
    bool press(QPoint at, int button = 1) const;
    bool moveTo(QPoint at) const;
    bool release(int button = 1) const;
    bool key(const QString& keys) const;  // one xdotool key name: "alt+i", "Return"
    bool type(const QString& text) const;

private:
    bool launch(QProcess& process, const QString& name, const QStringList& arguments);
    QString log(const QString& name) const;
    QString startServer();
    QString startWindowManager();
    QString startTray();

    QString folder_;
    QSize screen_;
    QString display_;
    QProcess server_, windowManager_, tray_;
    std::unique_ptr<XConnection> x_;
};

}  // namespace e2e
