#include "PrivateSession.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <QUuid>

#include "DesktopScreen.h"
#include "platform/ProcessRunner.h"

namespace wallpaper_test {

namespace {

// Only what a session bus needs for one user: no service files, so nothing is started behind
// the test's back and every component on the bus is one the test started and ends.
QByteArray busConfiguration(const QString& socketPath) {
    return QStringLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:path=%1</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n")
        .arg(socketPath)
        .toUtf8();
}

// The command line a D-Bus service file gives for name; empty when no such file is installed.
QStringList busServiceCommand(const QString& name) {
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString file =
            dir + QStringLiteral("/dbus-1/services/") + name + QStringLiteral(".service");
        if (!QFileInfo::exists(file)) continue;
        const QSettings service(file, QSettings::IniFormat);
        return QProcess::splitCommand(
            service.value(QStringLiteral("D-BUS Service/Exec")).toString());
    }
    return {};
}

}  // namespace

bool pollUntil(const std::function<bool()>& condition, int deadlineMs) {
    const QDeadlineTimer deadline(deadlineMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

QString programOutput(const QString& program, const QStringList& arguments) {
    const platform::ProcessResult result =
        platform::runProgram(program, arguments, kComponentDeadlineMs);
    if (!result.succeeded())
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, platform::describeFailure(program, result));
    QByteArray printed = result.standardOutput;
    if (printed.endsWith('\n')) printed.chop(1);
    return QString::fromUtf8(printed);
}

PrivateSession::PrivateSession()
    : previousWorkingFolder_(QDir::currentPath()),
      connectionName_(QStringLiteral("private-session-") + QUuid::createUuid().toString()) {
    const QDir root(folder_.path());
    for (const char* sub : {"home", "config", "cache", "data", "runtime", "work", "files"})
        root.mkpath(QLatin1String(sub));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setVariable("HOME", root.filePath(QStringLiteral("home")));
    setVariable("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")));
    setVariable("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")));
    setVariable("XDG_DATA_HOME", root.filePath(QStringLiteral("data")));
    setVariable("XDG_RUNTIME_DIR", root.filePath(QStringLiteral("runtime")));
    setVariable("GSETTINGS_BACKEND", QStringLiteral("dconf"));
    // The tests' own platform is offscreen; the desktop's programs are to find a real display
    // or none at all.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "SESSION_MANAGER",
                             "DBUS_SESSION_BUS_ADDRESS"})
        setVariable(name, QString());
    // A shell that ran a name's `touch pwned` would leave its file in here.
    QDir::setCurrent(root.filePath(QStringLiteral("work")));

    const QString configFile = folder_.write(
        QStringLiteral("bus.conf"), busConfiguration(root.filePath(QStringLiteral("runtime/bus"))));
    const BackgroundProgram& bus =
        start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--config-file=") + configFile, QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    if (!pollUntil([&] { return !bus.firstOutputLine().isEmpty() || !bus.running(); })) {
        problem_ = QStringLiteral("The session bus did not come up: ") + bus.report();
        return;
    }
    busAddress_ = bus.firstOutputLine();
    setVariable("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    bus_ = QDBusConnection::connectToBus(busAddress_, connectionName_);
    if (!bus_->isConnected())
        problem_ = QStringLiteral("The session bus at %1 cannot be reached: %2")
                       .arg(busAddress_, bus_->lastError().message()) +
                   bus.report();
}

PrivateSession::~PrivateSession() {
    bus_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
    while (!programs_.empty()) programs_.pop_back();
    for (const auto& [name, value] : previousVariables_) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
    QDir::setCurrent(previousWorkingFolder_);
}

QString PrivateSession::configHome() const { return folder_.filePath(QStringLiteral("config")); }

QString PrivateSession::filesFolder() const { return folder_.filePath(QStringLiteral("files")); }

void PrivateSession::setVariable(const char* name, const QString& value) {
    const QByteArray key(name);
    if (!previousVariables_.contains(key))
        previousVariables_[key] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value.toUtf8());
}

BackgroundProgram& PrivateSession::start(const QString& program, const QStringList& arguments) {
    const QString logBase = folder_.filePath(
        QStringLiteral("log-%1-%2").arg(programs_.size()).arg(QFileInfo(program).fileName()));
    programs_.push_back(std::make_unique<BackgroundProgram>(program, arguments, logBase));
    return *programs_.back();
}

bool PrivateSession::ownsName(const QString& name) const {
    return bus_ && bus_->interface()->isServiceRegistered(name).value();
}

QString PrivateSession::waitForName(const QString& name, const BackgroundProgram& owner) {
    if (pollUntil([&] { return ownsName(name) || !owner.running(); }) && ownsName(name)) return {};
    return QStringLiteral("%1 did not appear on the session bus: ").arg(name) + owner.report();
}

QString PrivateSession::startBusService(const QString& name) {
    if (!problem_.isEmpty()) return problem_;
    const QStringList command = busServiceCommand(name);
    if (command.isEmpty())
        return QStringLiteral("No D-Bus service file for %1 is installed.").arg(name);
    return waitForName(name, start(command.first(), command.mid(1)));
}

QString PrivateSession::startOwnerOf(const QString& name, const QString& program,
                                     const QStringList& arguments) {
    if (!problem_.isEmpty()) return problem_;
    return waitForName(name, start(program, arguments));
}

QString PrivateSession::startDisplay(QSize size) {
    // The server picks a free display itself, so tests can run side by side. Without
    // -noreset it would forget the root window's background whenever its last client left.
    const BackgroundProgram& xvfb =
        start(QStringLiteral("Xvfb"),
              {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
               QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!pollUntil([&] { return !xvfb.firstOutputLine().isEmpty() || !xvfb.running(); }) ||
        xvfb.firstOutputLine().isEmpty())
        return QStringLiteral("No X display: ") + xvfb.report();
    setVariable("DISPLAY", QLatin1Char(':') + xvfb.firstOutputLine());
    return {};
}

QImage PrivateSession::screen() const {
    QProcess import;
    import.start(QStringLiteral("import"), {QStringLiteral("-silent"), QStringLiteral("-window"),
                                            QStringLiteral("root"), QStringLiteral("png:-")});
    if (!import.waitForFinished(kComponentDeadlineMs)) return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

std::optional<QRgb> PrivateSession::waitForBackground(QRgb colour) const {
    std::optional<QRgb> shown;
    pollUntil([&] { return (shown = backgroundColour(screen())) == colour; });
    return shown;
}

QStringList PrivateSession::pwnedFiles() const {
    QStringList found;
    QDirIterator inSession(folder_.path(), {QStringLiteral("pwned")}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
    while (inSession.hasNext()) found << inSession.next();
    const QString home =
        QString::fromLocal8Bit(previousVariables_.at("HOME").value_or(QByteArray()));
    for (const QString& folder : {previousWorkingFolder_, QDir::rootPath(), home}) {
        const QString path = QDir(folder).filePath(QStringLiteral("pwned"));
        if (!folder.isEmpty() && QFileInfo::exists(path)) found << path;
    }
    return found;
}

QString PrivateSession::report() const {
    QString text;
    for (const auto& program : programs_) text += program->report() + QLatin1Char('\n');
    return text;
}

}  // namespace wallpaper_test
