#include "HeadlessSway.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>

namespace wallpaper_test {
namespace {

// Generous: a loaded CI machine may take a while to bring sway up or to redraw.
constexpr int kStartMs = 30000;
constexpr int kSettleMs = 10000;
constexpr int kPollMs = 50;

bool makeFolder(const QString& path, mode_t mode) {
    const QByteArray native = QFile::encodeName(path);
    // chmod as well: mkdir's mode passes through the umask.
    return ::mkdir(native.constData(), mode) == 0 && ::chmod(native.constData(), mode) == 0;
}

bool handOver(const QString& path, uid_t uid, gid_t gid) {
    return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isAll(const QImage& image, QRgb colour) {
    if (image.isNull()) return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(line, line + image.width(), [&](QRgb pixel) { return pixel == colour; }))
            return false;
    }
    return true;
}

}  // namespace

HeadlessSway::HeadlessSway(const QString& root, const QString& configLines)
    : home_(root + QStringLiteral("/home")),
      runtime_(root + QStringLiteral("/runtime")),
      socket_(root + QStringLiteral("/ipc/sway.sock")),
      config_(root + QStringLiteral("/sway.config")),
      logFile_(root + QStringLiteral("/sway.log")) {
    uid_ = ::geteuid();
    gid_ = ::getegid();
    switchUser_ = uid_ == 0;
    if (switchUser_) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            problem_ = QStringLiteral("there is no user \"nobody\" to run sway as");
            return;
        }
        uid_ = nobody->pw_uid;
        gid_ = nobody->pw_gid;
    }
    // Sway's user passes through the root to its folders and to the images of the test.
    const QString ipc = QFileInfo(socket_).path();
    if (::chmod(QFile::encodeName(root).constData(), 0755) != 0 || !makeFolder(home_, 0700) ||
        !makeFolder(runtime_, 0700) || !makeFolder(ipc, 0755) || !handOver(home_, uid_, gid_) ||
        !handOver(runtime_, uid_, gid_) || !handOver(ipc, uid_, gid_)) {
        problem_ = QStringLiteral("the folders for sway could not be made under ") + root;
        return;
    }
    QFile config(config_);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(("output * bg #000000 solid_color\n" + configLines + '\n').toUtf8()) < 0) {
        problem_ = QStringLiteral("the sway config could not be written");
        return;
    }
    config.close();
    config.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::ReadOther);

    sway_ = std::make_unique<QProcess>();
    prepare(*sway_, QStringLiteral("sway"), {QStringLiteral("-c"), config_});
    sway_->setWorkingDirectory(home_);
    sway_->setProcessChannelMode(QProcess::MergedChannels);
    sway_->setStandardOutputFile(logFile_);
    sway_->start();
    const QDeadlineTimer deadline(kStartMs);
    while (!QFileInfo::exists(socket_) && sway_->state() != QProcess::NotRunning &&
           !deadline.hasExpired())
        sway_->waitForFinished(kPollMs);
    if (!QFileInfo::exists(socket_))
        problem_ = QStringLiteral("sway did not start headless here. Its log:\n") + log();
}

HeadlessSway::~HeadlessSway() {
    if (!sway_) return;
    sway_->terminate();
    if (!sway_->waitForFinished(5000)) sway_->kill();
    sway_->waitForFinished();
}

void HeadlessSway::prepare(QProcess& process, const QString& program,
                           const QStringList& arguments) const {
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"),
               qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
    env.insert(QStringLiteral("HOME"), home_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
    // sway listens where SWAYSOCK says, when nothing is there yet.
    env.insert(QStringLiteral("SWAYSOCK"), socket_);
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    // Drawn by the CPU, so a solid image shows exactly its colour, GPU or not.
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    const QStringList displays =
        QDir(runtime_)
            .entryList({QStringLiteral("wayland-*")}, QDir::System)
            .filter(QRegularExpression(QStringLiteral("^wayland-[0-9]+$")));
    if (!displays.isEmpty()) env.insert(QStringLiteral("WAYLAND_DISPLAY"), displays.front());
    process.setProcessEnvironment(env);
    // The IPC socket gets the permissions the umask leaves: all of them, so that root reaches
    // it even where it may not override file permissions (a container's user namespace).
    process.setChildProcessModifier([] { ::umask(0); });
    if (!switchUser_) {
        process.setProgram(program);
        process.setArguments(arguments);
        return;
    }
    process.setProgram(QStringLiteral("setpriv"));
    process.setArguments(
        QStringList{QStringLiteral("--reuid=%1").arg(uid_), QStringLiteral("--regid=%1").arg(gid_),
                    QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
        arguments);
}

QList<QByteArrayList> HeadlessSway::swaybgArguments() const {
    // sway starts swaybg through a double fork: it is no child of sway's, but it inherits
    // sway's environment and with it the socket only this sway uses.
    const QByteArray ours = "SWAYSOCK=" + QFile::encodeName(socket_);
    QList<QByteArrayList> found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.isEmpty() || !pid.front().isDigit()) continue;
        QByteArray arguments = readAll(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!arguments.startsWith(QByteArrayLiteral("swaybg\0"))) continue;
        if (!readAll(QStringLiteral("/proc/%1/environ").arg(pid)).split('\0').contains(ours))
            continue;
        arguments.chop(1);  // the NUL after the last argument
        found << arguments.split('\0');
    }
    return found;
}

QList<QByteArrayList> HeadlessSway::awaitSwaybg(const QByteArrayList& expected) const {
    const QDeadlineTimer deadline(kSettleMs);
    QList<QByteArrayList> running = swaybgArguments();
    while (running != QList<QByteArrayList>{expected} && !deadline.hasExpired()) {
        QThread::msleep(kPollMs);
        running = swaybgArguments();
    }
    return running;
}

QImage HeadlessSway::screenshot() const {
    QProcess grim;
    prepare(grim, QStringLiteral("grim"), {QStringLiteral("-")});
    grim.start();
    grim.waitForFinished(kSettleMs);
    return QImage::fromData(grim.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

QImage HeadlessSway::awaitScreen(QRgb colour) const {
    const QDeadlineTimer deadline(kSettleMs);
    QImage shown = screenshot();
    while (!isAll(shown, colour) && !deadline.hasExpired()) {
        QThread::msleep(kPollMs);
        shown = screenshot();
    }
    return shown;
}

QString HeadlessSway::log() const { return QString::fromLocal8Bit(readAll(logFile_)); }

}  // namespace wallpaper_test
