#pragma once

#include <sys/prctl.h>
#include <csignal>

#include "support/DesktopSession.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// The built program run as a user runs it, every wallpaper it sets going to a script that
// notes the path.
namespace e2e {

using testing_support::kDeadlineMs;
using testing_support::waitFor;

// Writes an executable script into the folder.
inline QString writeScript(const testing_support::TempFolder& folder, const QString& name,
                           const QByteArray& body) {
    const QString path = folder.write(name, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

inline QProcessEnvironment offscreenEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("QUORVANE_HOME");
    return env;
}

// One copy of the program; `name` tells its wallpaper log from another copy's in the folder.
// A `command` (a wallpaper command template) takes the wallpapers in place of the recorder.
class RealProgram {
public:
    RealProgram(const testing_support::TempFolder& folder, QProcessEnvironment env,
                const QString& name = "applied", const QString& command = {})
        : log_(folder.filePath(name + ".log")) {
        // NUL-separated: a path may hold a line break.
        const QString recorder =
            writeScript(folder, name + ".sh", "printf '%s\\0' \"$1\" >> '" + log_.toUtf8() + "'\n");
        env.insert("QUORVANE_WALLPAPER_CMD", command.isEmpty() ? recorder + " %f" : command);
        process.setProcessEnvironment(env);
        process.setProgram(QUORVANE_EXECUTABLE);
        // Ends with the test however that ends: killed by a time limit, crashed, stopped.
        process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~RealProgram() {
        process.kill();
        process.waitForFinished(5000);
    }

    // Starts it on the program folder with the recorder as its wallpaper backend.
    bool start(const QString& home, int tickMs, const QStringList& more = {}) {
        process.setArguments(QStringList{"--home", home, "--tick-ms", QString::number(tickMs),
                                         "--wallpaper-backend", "command"} +
                             more);
        process.start();
        return process.waitForStarted(kDeadlineMs);
    }
    // Whether it runs, or how it ended.
    QString state() const {
        if (process.state() != QProcess::NotRunning) return QStringLiteral("running");
        return QStringLiteral("ended with %1 %2")
            .arg(process.exitStatus() == QProcess::NormalExit ? "status" : "signal")
            .arg(process.exitCode());
    }
    QStringList applied() const {
        return QString::fromUtf8(testing_support::fileBytes(log_))
            .split(QChar(0), Qt::SkipEmptyParts);
    }
    // Whether it changes no wallpaper for this long.
    bool unchangedFor(int ms) const {
        const qsizetype now = applied().size();
        return !waitFor([&] { return applied().size() != now; }, ms);
    }
    // Sends it a signal while it runs; never to process 0, which is the whole process group,
    // the test runner included.
    void signal(int number) {
        if (const qint64 pid = process.processId(); pid > 0) ::kill(pid_t(pid), number);
    }
    // Ends it as a logout does: it must end by itself, with status 0. A copy still loading
    // its libraries may also end by the signal itself, before any code of ours ran.
    ::testing::AssertionResult terminate(bool whileLoading = false) {
        signal(SIGTERM);
        if (!process.waitForFinished(kDeadlineMs))
            return ::testing::AssertionFailure() << "it did not end";
        const bool bySignal =
            process.exitStatus() == QProcess::CrashExit && process.exitCode() == SIGTERM;
        if (!(whileLoading && bySignal) &&
            (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
            return ::testing::AssertionFailure()
                   << "it ended with status " << process.exitCode() << " ("
                   << (process.exitStatus() == QProcess::NormalExit ? "exited" : "killed") << ")";
        return ::testing::AssertionSuccess();
    }

    QProcess process;

private:
    QString log_;
};

}  // namespace e2e
