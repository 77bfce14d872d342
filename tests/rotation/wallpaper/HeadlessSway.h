#pragma once

#include <sys/types.h>
#include <QByteArrayList>
#include <QImage>
#include <QProcess>
#include <QString>
#include <memory>

namespace wallpaper_test {

// A sway of its own for one test, on wlroots' headless backend with one 1280x720 output
// whose background starts black. Sway refuses to run as root, so a root test runs it as user
// nobody, with a home, runtime folder and config of its own under `root`; its IPC socket is
// put where root can reach it. It is stopped when the object goes.
class HeadlessSway {
public:
    // `configLines` are added to the config, after the black background.
    HeadlessSway(const QString& root, const QString& configLines);
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    // Empty when sway answers on its socket; otherwise why it does not, with its own log.
    const QString& problem() const { return problem_; }
    const QString& socket() const { return socket_; }
    // Where sway runs programs: a "touch pwned" it ran would leave its file here.
    const QString& workingFolder() const { return home_; }

    // The arguments of the swaybg this sway started, byte for byte as the kernel keeps them
    // (/proc/PID/cmdline), one list per swaybg of this sway. Waits a while for them to be
    // just `expected`; returns the last ones seen otherwise.
    QList<QByteArrayList> awaitSwaybg(const QByteArrayList& expected) const;
    // A screenshot of the output (grim). Waits a while for it to be `colour` all over;
    // returns the last one taken otherwise.
    QImage awaitScreen(QRgb colour) const;

private:
    QList<QByteArrayList> swaybgArguments() const;
    QImage screenshot() const;
    QString log() const;
    // Sets the process up to run the program as the user sway runs as, in sway's session.
    void prepare(QProcess& process, const QString& program, const QStringList& arguments) const;

    QString home_, runtime_, socket_, config_, logFile_;
    bool switchUser_ = false;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    QString problem_;
    std::unique_ptr<QProcess> sway_;
};

}  // namespace wallpaper_test
