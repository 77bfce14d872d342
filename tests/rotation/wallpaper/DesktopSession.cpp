#include "DesktopSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QThread>

#include "platform/ProcessRunner.h"
#include "support/HostileNames.h"

namespace wallpaper_test {

namespace {

// Only what a session bus for one user needs: no service files, so every component on the
// bus is one the test started and ends.
QByteArray busConfiguration(const QString& socketPath) {
    return QStringLiteral(
               "<busconfig><type>session</type><listen>unix:path=%1</listen>"
               "<auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
        .arg(socketPath)
        .toUtf8();
}

// The command line a D-Bus service file gives for name; empty when none is installed.
QStringList busServiceCommand(const QString& name) {
    for (const QString& dir : QStringLiteral("/usr/local/share:/usr/share").split(u':')) {
        const QString file = QStringLiteral("%1/dbus-1/services/%2.service").arg(dir, name);
        if (QFile::exists(file))
            return QProcess::splitCommand(QSettings(file, QSettings::IniFormat)
                                              .value(QStringLiteral("D-BUS Service/Exec"))
                                              .toString());
    }
    return {};
}

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    const platform::ProcessResult result = platform::runProgram(program, arguments, kDeadlineMs);
    if (!result.succeeded())
        return QStringLiteral("<%1>").arg(platform::describeFailure(program, result));
    return QString::fromUtf8(result.standardOutput).chopped(result.standardOutput.endsWith('\n'));
}

QString colourText(std::optional<QRgb> colour) {
    return colour ? QStringLiteral("#%1").arg(*colour & RGB_MASK, 6, 16, QLatin1Char('0'))
                  : QStringLiteral("<no one colour>");
}

DesktopSession::DesktopSession() : previousWorkingFolder_(QDir::currentPath()) {
    const QDir root(folder_.path());
    for (const char* sub : {"home", "config", "cache", "data", "runtime", "work", "files"})
        root.mkpath(QLatin1String(sub));
    QFile::setPermissions(folder("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [name, sub] : {std::pair{"HOME", "home"},
                                    {"XDG_CONFIG_HOME", "config"},
                                    {"XDG_CACHE_HOME", "cache"},
                                    {"XDG_DATA_HOME", "data"},
                                    {"XDG_RUNTIME_DIR", "runtime"}})
        setVariable(name, folder(QLatin1String(sub)));
    setVariable("GSETTINGS_BACKEND", QStringLiteral("dconf"));
    // The tests' own platform is offscreen; the desktop's programs are to find the session's
    // display or none at all.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK",
                             "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"})
        setVariable(name, QString());
    QDir::setCurrent(folder("work"));

    const QString config = folder_.write(QStringLiteral("bus.conf"),
                                         busConfiguration(folder(QStringLiteral("runtime/bus"))));
    start(QStringLiteral("dbus-daemon"),
          {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
           QStringLiteral("--print-address=1")});
    const QString address = firstLineOf(components_.back());
    if (address.isEmpty())
        problem_ = QStringLiteral("The session bus did not come up: ") + report();
    else
        setVariable("DBUS_SESSION_BUS_ADDRESS", address);
}

DesktopSession::~DesktopSession() {
    while (!components_.empty()) {
        QProcess& process = *components_.back().process;
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished();
        components_.pop_back();
    }
    for (const auto& [name, value] : previousVariables_) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
    QDir::setCurrent(previousWorkingFolder_);
}

void DesktopSession::setVariable(const char* name, const QString& value) {
    if (!previousVariables_.contains(name))
        previousVariables_[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value.toUtf8());
}

void DesktopSession::start(const QString& program, const QStringList& arguments) {
    Component component{folder_.filePath(QStringLiteral("log-%1").arg(components_.size())),
                        std::make_unique<QProcess>()};
    component.process->setStandardOutputFile(component.log + QStringLiteral(".out"));
    component.process->setStandardErrorFile(component.log + QStringLiteral(".err"));
    component.process->start(program, arguments);
    component.process->waitForStarted();
    components_.push_back(std::move(component));
}

QString DesktopSession::firstLineOf(const Component& component) const {
    QByteArray line;
    pollUntil([&] {
        line = fileText(component.log + QStringLiteral(".out"));
        return line.contains('\n') || component.process->state() != QProcess::Running;
    });
    return QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
}

QString DesktopSession::waitForName(const QString& name) {
    const QProcess& owner = *components_.back().process;
    const auto owned = [&] {
        return programOutput(
                   QStringLiteral("dbus-send"),
                   {QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.DBus"),
                    QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                    QStringLiteral("string:") + name})
            .endsWith(QStringLiteral("boolean true"));
    };
    if (pollUntil([&] { return owned() || owner.state() != QProcess::Running; }) && owned())
        return {};
    return QStringLiteral("%1 did not appear on the session bus: ").arg(name) + report();
}

QString DesktopSession::startBusService(const QString& name) {
    const QStringList command = busServiceCommand(name);
    if (!problem_.isEmpty() || command.isEmpty())
        return problem_ + QStringLiteral("No D-Bus service file for %1 is installed.").arg(name);
    start(command.first(), command.mid(1));
    return waitForName(name);
}

QString DesktopSession::startOwnerOf(const QString& name, const QString& program,
                                     const QStringList& arguments) {
    if (!problem_.isEmpty()) return problem_;
    start(program, arguments);
    return waitForName(name);
}

QString DesktopSession::startDisplay(QSize size, int depth) {
    // Xvfb picks a free display itself, so tests run side by side. Without -noreset it would
    // forget the root window's background whenever its last client left.
    start(QStringLiteral("Xvfb"),
          {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
           QStringLiteral("0"),
           QStringLiteral("%1x%2x%3").arg(size.width()).arg(size.height()).arg(depth),
           QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    const QString number = firstLineOf(components_.back());
    if (number.isEmpty()) return QStringLiteral("No X display: ") + report();
    setVariable("DISPLAY", QLatin1Char(':') + number);
    return {};
}

std::vector<HostileFile> DesktopSession::writeHostileFiles(QSize size) const {
    std::vector<HostileFile> files;
    for (const testsupport::HostileName& hostile : testsupport::hostileNames()) {
        // Far apart from one another and from black, the colour of an empty desktop.
        const int i = int(files.size());
        const QRgb colour = qRgb(40 + i * 16, 230 - i * 15, i % 2 ? 200 : 60);
        const QString inside = folder(QStringLiteral("files/") + hostile.name);
        QDir().mkpath(inside);
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = inside + QLatin1Char('/') + hostile.name + QStringLiteral(".png");
        image.save(path, "PNG");
        files.push_back({hostile.label, path, colour});
    }
    return files;
}

std::optional<QRgb> DesktopSession::waitForBackground(QRgb colour) const {
    std::optional<QRgb> shown;
    pollUntil([&] {
        QProcess import;
        import.start(QStringLiteral("import"),
                     {QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"),
                      QStringLiteral("png:-")});
        import.waitForFinished(kDeadlineMs);
        const QImage screen = QImage::fromData(import.readAllStandardOutput(), "PNG");
        shown.reset();
        if (screen.width() < 8 || screen.height() < 8) return false;
        const int x = screen.width() - 4;
        shown = screen.pixel(x, 2) | ~RGB_MASK;
        for (int y = 2; y < screen.height() - 2; y += 4)
            if ((screen.pixel(x, y) | ~RGB_MASK) != *shown) shown.reset();
        return shown == colour;
    });
    return shown;
}

QStringList DesktopSession::pwnedFiles() const {
    QStringList found;
    QDirIterator inSession(folder_.path(), {QStringLiteral("pwned")}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
    while (inSession.hasNext()) found << inSession.next();
    const QString home = QString::fromLocal8Bit(previousVariables_.at("HOME").value_or(""));
    for (const QString& folder : {previousWorkingFolder_, QDir::rootPath(), home}) {
        const QString path = QDir(folder).filePath(QStringLiteral("pwned"));
        if (!folder.isEmpty() && QFile::exists(path)) found << path;
    }
    return found;
}

QString DesktopSession::report() const {
    QString text;
    for (const Component& component : components_) {
        const QProcess& process = *component.process;
        const QByteArray printed =
            fileText(component.log + QStringLiteral(".err")) + fileText(component.log + ".out");
        text += QStringLiteral("%1 %2; it printed:\n%3\n")
                    .arg(process.program(),
                         process.state() == QProcess::Running
                             ? QStringLiteral("is running")
                             : QStringLiteral("ended with status %1").arg(process.exitCode()),
                         QString::fromUtf8(printed.right(4000)));
    }
    return text;
}

}  // namespace wallpaper_test
