#include "support/HeadlessSway.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QImage>

namespace testing_support {

QString HeadlessSway::start(const QByteArray& config, int outputs) {
    outputs_ = outputs;
    uid_ = ::geteuid();
    if (uid_ == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) return QStringLiteral("there is no user nobody to run sway as");
        asUser_ = {"setpriv", QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                   QStringLiteral("--regid=%1").arg(nobody->pw_gid), "--clear-groups", "--"};
        uid_ = nobody->pw_uid;
    }
    QFile::setPermissions(session_.folder(""), QFileDevice::Permissions(0x7755));
    for (const char* sub : {"sway-home", "sway-runtime", "sway-ipc"}) {
        QDir().mkpath(session_.folder(sub));
        if (::chown(QFile::encodeName(session_.folder(sub)).constData(), uid_, uid_) != 0)
            return QStringLiteral("cannot hand %1 to sway's user").arg(sub);
    }
    QFile::setPermissions(session_.folder("sway-runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(session_.folder("sway.config"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
        return QStringLiteral("cannot write sway's configuration");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::ReadOther);
    session_.setVariable("SWAYSOCK", session_.folder("sway-ipc/sway.sock"));
    // The sockets get the permissions the umask leaves: all, so root reaches them even where
    // it may not override file permissions (a container's user namespace).
    const QStringList command =
        asSwayUser({"sh", "-c", "umask 0; exec \"$0\" \"$@\"", "sway", "-c", file.fileName()});
    session_.start(command[0], command.mid(1));
    if (!waitFor([&] {
            return QFileInfo::exists(qEnvironmentVariable("SWAYSOCK")) && !display().isEmpty();
        }))
        return "sway did not start: " + session_.report();
    return {};
}

QStringList HeadlessSway::environment() const {
    QStringList env = {"env", "HOME=" + session_.folder("sway-home"),
                       "XDG_RUNTIME_DIR=" + session_.folder("sway-runtime"),
                       "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                       QStringLiteral("WLR_HEADLESS_OUTPUTS=%1").arg(outputs_),
                       // Drawn by the CPU, so a solid image shows exactly its colour.
                       "WLR_RENDERER=pixman"};
    if (!display().isEmpty()) env << "WAYLAND_DISPLAY=" + QFileInfo(display()).fileName();
    return env;
}

QStringList HeadlessSway::asSwayUser(const QStringList& command) const {
    return asUser_ + environment() + command;
}

QString HeadlessSway::display() const {
    const QStringList displays = QDir(session_.folder("sway-runtime"))
                                     .entryList({QStringLiteral("wayland-?")}, QDir::System);
    return displays.isEmpty() ? QString() : session_.folder("sway-runtime/" + displays.front());
}

QImage HeadlessSway::screenshot(const QString& output) const {
    const QStringList command = asSwayUser(
        QStringList{"grim"} + (output.isEmpty() ? QStringList() : QStringList{"-o", output}) +
        QStringList{"-"});
    QProcess grim;
    grim.start(command[0], command.mid(1));
    grim.waitForFinished(kDeadlineMs);
    return QImage::fromData(grim.readAllStandardOutput(), "PNG");
}

QByteArray HeadlessSway::tree() const {
    return programOutput("swaymsg", {"-t", "get_tree", "-r"}).toUtf8();
}

}  // namespace testing_support
