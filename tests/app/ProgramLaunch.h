#pragma once

#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "support/TempFolder.h"

// What the tests that run the real executable share: a wallpaper command made of a shell
// script, the environment a user's session would give it, and its clean end.
namespace program_launch {

// Writes a script into the folder and makes it executable for its owner.
inline QString writeScript(const testing_support::TempFolder& folder, const QString& name,
                           const QByteArray& body) {
    const QString path = folder.write(name, body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The test's own environment on Qt's offscreen platform, with `command` as the wallpaper
// command and no program folder taken from it.
inline QProcessEnvironment offscreenEnvironment(const QString& command) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QUORVANE_WALLPAPER_CMD", command + " %f");
    env.remove("QUORVANE_HOME");
    return env;
}

// Waits, as a guard against a hang and not as a measurement, for the condition.
template <typename Condition>
bool waitFor(Condition condition, int guardMs = 20000) {
    const QDeadlineTimer deadline(guardMs);
    while (!condition() && !deadline.hasExpired()) QThread::msleep(20);
    return condition();
}

// Ends the program as a logout does and expects it to end by itself, with status 0.
inline void endAndExpectCleanExit(QProcess& process) {
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

}  // namespace program_launch
