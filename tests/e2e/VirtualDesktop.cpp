#include "VirtualDesktop.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

namespace e2e {

namespace {

constexpr int kStartTimeoutMs = 15000;

QString logOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

}  // namespace

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (process.waitForFinished(5000)) return;
    process.kill();
    process.waitForFinished(5000);
}

VirtualDesktop::~VirtualDesktop() {
    connection_.reset();
    endProcess(tray_);
    endProcess(server_);
}

QProcessEnvironment VirtualDesktop::environment() const {
    QProcessEnvironment env;
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"PATH", "HOME", "LANG", "LC_ALL", "LD_LIBRARY_PATH", "TMPDIR"}) {
        const QString key = QLatin1String(name);
        if (outer.contains(key)) env.insert(key, outer.value(key));
    }
    env.insert(QStringLiteral("DISPLAY"), displayName_);
    // With no address at all, libdbus would autolaunch a session bus on this display and
    // leave it running; an address nobody listens on means "no session bus" and nothing more.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + workFolder_ + QStringLiteral("/no-session-bus"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), workFolder_ + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return env;
}

QString VirtualDesktop::start(const QString& workFolder) {
    workFolder_ = workFolder;
    const QString runtime = workFolder + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // -displayfd makes the server pick a free display itself and write its number to our end
    // of the pipe once it accepts clients.
    const QString serverLog = workFolder + QStringLiteral("/Xvfb.log");
    server_.setStandardErrorFile(serverLog);
    server_.start(QStringLiteral("Xvfb"),
                  {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                  QIODevice::ReadOnly);
    if (!server_.waitForStarted(kStartTimeoutMs))
        return QStringLiteral("Xvfb could not be started (scripts/install-deps.sh installs it): ") +
               server_.errorString();
    const QDeadlineTimer serverDeadline(kStartTimeoutMs);
    while (!server_.canReadLine() && server_.state() == QProcess::Running &&
           !serverDeadline.hasExpired())
        server_.waitForReadyRead(100);
    if (!server_.canReadLine())
        return QStringLiteral("Xvfb reported no display:\n") + logOf(serverLog);
    displayName_ = QStringLiteral(":") + QString::fromLatin1(server_.readLine().trimmed());

    connection_ = std::make_unique<XConnection>(displayName_.toLocal8Bit());
    if (!connection_->isOpen()) return QStringLiteral("Cannot connect to ") + displayName_;

    const QString trayLog = workFolder + QStringLiteral("/trayer.log");
    tray_.setProcessEnvironment(environment());
    tray_.setProcessChannelMode(QProcess::MergedChannels);
    tray_.setStandardOutputFile(trayLog);
    tray_.start(QStringLiteral("trayer"),
                {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200",
                 "--height", "32", "--transparent", "false"});
    if (!tray_.waitForStarted(kStartTimeoutMs))
        return QStringLiteral(
                   "trayer could not be started (scripts/install-deps.sh installs it): ") +
               tray_.errorString();
    const QDeadlineTimer trayDeadline(kStartTimeoutMs);
    for (;;) {
        const XWindowId owner = connection_->selectionOwner("_NET_SYSTEM_TRAY_S0");
        if (owner && connection_->processOf(owner) == tray_.processId()) return {};
        if (tray_.state() != QProcess::Running || trayDeadline.hasExpired())
            return QStringLiteral("trayer did not become the notification area:\n") +
                   logOf(trayLog);
        QThread::msleep(20);
    }
}

std::optional<QByteArray> VirtualDesktop::run(const QString& program,
                                              const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(kStartTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

}  // namespace e2e
