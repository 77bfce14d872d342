#include "e2e/DesktopSession.h"

#include <poll.h>
#include <sys/prctl.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <csignal>

namespace e2e {

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (process.waitForFinished(5000)) return;
    process.kill();
    process.waitForFinished(5000);
}

void tieToTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

DesktopSession::DesktopSession(QString folder, QSize screen)
    : folder_(std::move(folder)), screen_(screen) {}

DesktopSession::~DesktopSession() {
    // The clients first: a server going away under them makes them complain in the logs.
    endProcess(tray_);
    endProcess(windowManager_);
    x_.reset();
    endProcess(server_);
}

QString DesktopSession::home() const { return folder_ + QStringLiteral("/home"); }

QProcessEnvironment DesktopSession::environment() const {
    QProcessEnvironment env;
    for (const char* name : {"PATH", "LANG", "LC_ALL", "LD_LIBRARY_PATH", "TMPDIR"})
        if (qEnvironmentVariableIsSet(name)) env.insert(name, qEnvironmentVariable(name));
    env.insert("DISPLAY", display_);
    // File dialogs and the window manager's configuration start from here.
    env.insert("HOME", home());
    // With no address, libdbus would autolaunch a session bus on this display and leave it
    // running; an address nobody listens on means "no session bus" and nothing more.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder_ + "/no-session-bus");
    env.insert("XDG_RUNTIME_DIR", folder_ + "/runtime");
    env.insert("NO_AT_BRIDGE", "1");
    return env;
}

QString DesktopSession::start() {
    QDir().mkpath(home());
    QDir().mkpath(folder_ + "/runtime");
    QFile::setPermissions(folder_ + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& step : {&DesktopSession::startServer, &DesktopSession::startWindowManager,
                             &DesktopSession::startTray})
        if (const QString problem = (this->*step)(); !problem.isEmpty()) return problem;
    return {};
}

QString DesktopSession::startServer() {
    // -displayfd makes the server pick a free display itself and write its number to our
    // end of the pipe once it accepts clients.
    const QString screen = QStringLiteral("%1x%2x24").arg(screen_.width()).arg(screen_.height());
    if (!launch(server_, "Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}))
        return "Xvfb could not be started (scripts/install-deps.sh installs it)";
    waitUntil([&] {
        server_.waitForReadyRead(100);
        return server_.canReadLine() || server_.state() != QProcess::Running;
    });
    if (!server_.canReadLine()) return "Xvfb reported no display:\n" + log("Xvfb");
    display_ = ':' + QString::fromLatin1(server_.readLine().trimmed());
    x_ = std::make_unique<XConnection>(display_);
    return x_->isOpen() ? QString() : "Cannot connect to " + display_;
}

QString DesktopSession::startWindowManager() {
    // Its own default configuration: HOME holds none of the user's.
    if (!launch(windowManager_, "openbox", {"--sm-disable"}))
        return "openbox could not be started (scripts/install-deps.sh installs it)";
    // A window manager announces itself through a check window named on the root window.
    const auto managing = [&] {
        const std::optional<unsigned long> check =
            x_->cardinal(x_->root(), "_NET_SUPPORTING_WM_CHECK");
        return check && x_->utf8Text(*check, "_NET_WM_NAME") == QStringLiteral("Openbox");
    };
    waitUntil([&] { return managing() || windowManager_.state() != QProcess::Running; });
    return managing() ? QString() : "openbox did not take over the screen:\n" + log("openbox");
}

QString DesktopSession::startTray() {
    if (!launch(tray_, "trayer",
                {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200",
                 "--height", "32", "--transparent", "false"}))
        return "trayer could not be started (scripts/install-deps.sh installs it)";
    const auto ownsTray = [&] {
        return x_->pidOf(x_->selectionOwner("_NET_SYSTEM_TRAY_S0")) == tray_.processId();
    };
    waitUntil([&] { return ownsTray() || tray_.state() != QProcess::Running; });
    return ownsTray() ? QString()
                      : "trayer did not become the notification area:\n" + log("trayer");
}

bool DesktopSession::launch(QProcess& process, const QString& name, const QStringList& arguments) {
    process.setProcessEnvironment(environment());
    process.setStandardErrorFile(folder_ + '/' + name + ".log");
    tieToTest(process);
    process.start(name, arguments, QIODevice::ReadOnly);
    return process.waitForStarted(kDeadlineMs);
}

QString DesktopSession::log(const QString& name) const {
    QFile file(folder_ + '/' + name + ".log");
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

bool DesktopSession::waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (x_) x_->readEvents();
        if (condition()) return true;
        if (deadline.hasExpired()) return false;
        if (x_) {
            // Woken early by the server, so short-lived windows are seen while they live.
            pollfd connection{x_->fileDescriptor(), POLLIN, 0};
            poll(&connection, 1, 20);
        } else {
            QThread::msleep(20);
        }
    }
}

bool DesktopSession::run(const QString& client, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(client, arguments);
    return process.waitForFinished(kDeadlineMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool DesktopSession::saveScreen(const QString& path) const {
    return run("import", {"-window", "root", path});
}

QImage DesktopSession::grabScreen() const {
    const QString path = folder_ + "/screen.png";
    if (!saveScreen(path)) return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

bool DesktopSession::click(QPoint at, int button, int count) const {
    return run("xdotool",
               {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
                QString::number(count), "--delay", "80", QString::number(button)});
}

bool DesktopSession::press(QPoint at, int button) const {
    return run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()),
                           "mousedown", QString::number(button)});
}

bool DesktopSession::moveTo(QPoint at) const {
    return run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())});
}

bool DesktopSession::release(int button) const {
    return run("xdotool", {"mouseup", QString::number(button)});
}

bool DesktopSession::key(const QString& keys) const { return run("xdotool", {"key", keys}); }

bool DesktopSession::type(const QString& text) const {
    return run("xdotool", {"type", "--delay", "10", text});
}

}  // namespace e2e
