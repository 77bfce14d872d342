#include "support/DesktopSession.h"

#include <sys/prctl.h>
#include <csignal>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QSettings>

#include "platform/ProcessRunner.h"
#include "support/HostileNames.h"
#include "support/StoreFixture.h"

namespace testing_support {

bool waitFor(const std::function<bool()>& condition, int deadlineMs) {
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

DesktopSession::DesktopSession() : previousWorkingFolder_(QDir::currentPath()) {
    for (const auto& [name, sub] : {std::pair{"HOME", "home"},
                                    {"XDG_CONFIG_HOME", "config"},
                                    {"XDG_CACHE_HOME", "cache"},
                                    {"XDG_DATA_HOME", "data"},
                                    {"XDG_RUNTIME_DIR", "runtime"},
                                    {nullptr, "work"},
                                    {nullptr, "files"}}) {
        QDir(folder_.path()).mkpath(sub);
        if (name) setVariable(name, folder(sub));
    }
    QFile::setPermissions(folder("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setVariable("GSETTINGS_BACKEND", "dconf");
    // The tests' own platform is offscreen; the desktop's programs are to find the session's
    // display or none at all.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK",
                             "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"})
        setVariable(name, QString());
    QDir::setCurrent(folder("work"));

    // Only what a session bus for one user needs: no service files, so every component on the
    // bus is one the test started and ends.
    const QString config = folder_.write(
        "bus.conf", QStringLiteral("<busconfig><type>session</type><listen>unix:path=%1</listen>"
                                   "<auth>EXTERNAL</auth><policy context=\"default\">"
                                   "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                   "</busconfig>\n")
                        .arg(folder("runtime/bus"))
                        .toUtf8());
    start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address=1"});
    const QString address = firstLineOf(components_.back());
    if (address.isEmpty())
        problem_ = "The session bus did not come up: " + report();
    else
        setVariable("DBUS_SESSION_BUS_ADDRESS", address);
}

DesktopSession::~DesktopSession() {
    for (; !components_.empty(); components_.pop_back()) {
        QProcess& process = *components_.back().process;
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished();
    }
    for (const auto& [name, value] : previousVariables_)
        value ? qputenv(name.constData(), *value) : qunsetenv(name.constData());
    QDir::setCurrent(previousWorkingFolder_);
}

void DesktopSession::setVariable(const char* name, const QString& value) {
    if (!previousVariables_.contains(name))
        previousVariables_[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    value.isNull() ? qunsetenv(name) : qputenv(name, value.toUtf8());
}

const QProcess& DesktopSession::start(const QString& program, const QStringList& arguments) {
    Component component{folder_.filePath(QStringLiteral("log-%1").arg(components_.size())),
                        std::make_unique<QProcess>()};
    component.process->setStandardOutputFile(component.log + ".out");
    component.process->setStandardErrorFile(component.log + ".err");
    // Ends with the test however that ends: killed by a time limit, crashed, stopped.
    component.process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    component.process->start(program, arguments);
    component.process->waitForStarted();
    components_.push_back(std::move(component));
    return *components_.back().process;
}

QString DesktopSession::firstLineOf(const Component& component) const {
    QByteArray line;
    waitFor([&] {
        line = fileBytes(component.log + ".out");
        return line.contains('\n') || component.process->state() != QProcess::Running;
    });
    return QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
}

QString DesktopSession::startOwnerOf(const QString& name, QStringList command) {
    const QString file = "/usr/share/dbus-1/services/" + name + ".service";
    if (command.isEmpty() && QFile::exists(file))
        command = QProcess::splitCommand(
            QSettings(file, QSettings::IniFormat).value("D-BUS Service/Exec").toString());
    if (!problem_.isEmpty() || command.isEmpty())
        return problem_ + QStringLiteral("No D-Bus service file for %1 is installed.").arg(name);
    const QProcess& owner = start(command.first(), command.mid(1));
    const auto owned = [&] {
        return programOutput("dbus-send", {"--print-reply", "--dest=org.freedesktop.DBus",
                                           "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus.NameHasOwner", "string:" + name})
            .endsWith("boolean true");
    };
    if (waitFor([&] { return owned() || owner.state() != QProcess::Running; }) && owned())
        return {};
    return QStringLiteral("%1 did not appear on the session bus: ").arg(name) + report();
}

QString DesktopSession::startDisplay(QSize size, int depth) {
    // Xvfb picks a free display itself, so tests run side by side. Without -noreset it would
    // forget the root window's background whenever its last client left.
    start("Xvfb", {"-displayfd", "1", "-screen", "0",
                   QStringLiteral("%1x%2x%3").arg(size.width()).arg(size.height()).arg(depth),
                   "-nolisten", "tcp", "-noreset"});
    const QString number = firstLineOf(components_.back());
    if (number.isEmpty()) return "No X display: " + report();
    setVariable("DISPLAY", ':' + number);
    return {};
}

QString DesktopSession::startMonitors(const QStringList& modes) {
    QFile config(folder("xorg.conf"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write("Section \"Device\"\n Identifier \"d\"\n Driver \"dummy\"\n"
                     " VideoRam 192000\nEndSection\n"
                     "Section \"Screen\"\n Identifier \"s\"\n Device \"d\"\n DefaultDepth 24\n"
                     " SubSection \"Display\"\n  Depth 24\n  Virtual 4096 2048\n EndSubSection\n"
                     "EndSection\n") < 0)
        return "No X server configuration: " + config.errorString();
    config.close();
    start("Xorg", {"-displayfd", "1", "-config", config.fileName(), "-logfile", folder("xorg.log"),
                   "-nolisten", "tcp", "-noreset"});
    const QString number = firstLineOf(components_.back());
    if (number.isEmpty()) return "No X server: " + report();
    setVariable("DISPLAY", ':' + number);
    QStringList layout;
    for (qsizetype i = 0; i < modes.size(); ++i) {
        const QString output = QStringLiteral("DUMMY%1").arg(i);
        if (i > 0) programOutput("xrandr", {"--addmode", output, modes[i]});
        layout << "--output" << output << "--mode" << modes[i];
        if (i > 0) layout << "--right-of" << QStringLiteral("DUMMY%1").arg(i - 1);
    }
    const QString said = programOutput("xrandr", layout);
    // The dummy driver reports a newly enabled output as disconnected until it is probed
    // again, and GTK and Qt programs leave disconnected outputs out.
    programOutput("xrandr", {"--query"});
    return said.isEmpty() ? QString() : "xrandr: " + said;
}

std::vector<HostileFile> DesktopSession::writeHostileFiles(QSize size) const {
    std::vector<HostileFile> files;
    for (const testsupport::HostileName& hostile : testsupport::hostileNames()) {
        // Far apart from one another and from black, the colour of an empty desktop.
        const int i = int(files.size());
        const QRgb colour = qRgb(40 + i * 16, 230 - i * 15, i % 2 ? 200 : 60);
        const QString inside = folder("files/" + hostile.name);
        QDir().mkpath(inside);
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(inside + '/' + hostile.name + ".png", "PNG");
        files.push_back({hostile.label, inside + '/' + hostile.name + ".png", colour});
    }
    return files;
}

QImage screenshot() {
    QProcess import;
    import.start("import", {"-silent", "-window", "root", "png:-"});
    import.waitForFinished(kDeadlineMs);
    return QImage::fromData(import.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

bool DesktopSession::showsBackground(QRgb colour) const {
    return waitFor([&] {
        const QImage screen = screenshot();
        bool all = screen.height() > 8;
        for (int y = 2; y < screen.height() - 2; y += 4)
            all = all && (screen.pixel(screen.width() - 4, y) | ~RGB_MASK) == colour;
        return all;
    });
}

QStringList DesktopSession::pwnedFiles() const {
    QStringList found;
    QDirIterator inSession(folder_.path(), {"pwned"}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
    while (inSession.hasNext()) found << inSession.next();
    const QString home = QString::fromLocal8Bit(previousVariables_.at("HOME").value_or(""));
    for (const QString& folder : {previousWorkingFolder_, QDir::rootPath(), home})
        if (!folder.isEmpty() && QFile::exists(folder + "/pwned")) found << folder + "/pwned";
    return found;
}

QString DesktopSession::report() const {
    QString text;
    for (const auto& [log, process] : components_) {
        const QByteArray printed = fileBytes(log + ".err") + fileBytes(log + ".out");
        text += process->program() +
                (process->state() == QProcess::Running
                     ? QStringLiteral(" is running")
                     : QStringLiteral(" ended with status %1").arg(process->exitCode())) +
                "; it printed:\n" + QString::fromUtf8(printed.right(4000)) + '\n';
    }
    return text;
}

}  // namespace testing_support
