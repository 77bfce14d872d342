#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "app/CommandLine.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using testing_support::fileBytes;

// Error, home, tick and backend.
QStringList parsed(const QStringList& arguments, const QProcessEnvironment& env) {
    const app::StartupOptions o = app::parseCommandLine(arguments, env);
    return {o.error, o.home, QString::number(o.tickMs), o.wallpaperBackend};
}

TEST(CommandLine, ArgumentsWinOverTheEnvironmentWhichWinsOverTheDefaults) {
    EXPECT_EQ(parsed({}, {}), QStringList({"", "", "60006", ""}));
    QProcessEnvironment env;
    env.insert("QUORVANE_HOME", "/env/home");
    env.insert("QUORVANE_TICK_MS", "500");
    env.insert("QUORVANE_WALLPAPER", "gnome");
    EXPECT_EQ(parsed({"--home", "/arg/home", "--tick-ms=25", "--wallpaper-backend", "X11"}, env),
              QStringList({"", "/arg/home", "25", "x11"}));
}

// The real executable, run as a user would, setting the wallpaper through a script.
class ProgramProcess : public ::testing::Test {
protected:
    void SetUp() override {
        const QString recorder = folder.write(
            "record.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QUORVANE_WALLPAPER_CMD", recorder + " %f");
        env.remove("QUORVANE_HOME");
        process.setProgram(QUORVANE_EXECUTABLE);
    }
    QStringList applied() const {
        return QString(fileBytes(folder.filePath("applied.txt"))).split('\n', Qt::SkipEmptyParts);
    }

    testing_support::TempFolder folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess process;
};

TEST_F(ProgramProcess, TakesItsSettingsFromTheEnvironmentRotatesAndRecordsWhenTerminated) {
    const QString a = folder.filePath("a b.bmp"), b = folder.filePath("it's.bmp");
    testing_support::writeStore(folder.filePath("ZARN.DAT"),
                                {{a, "a b", "0", std::nullopt}, {b, "it's", "100", std::nullopt}});
    env.insert("QUORVANE_HOME", folder.path());
    env.insert("QUORVANE_TICK_MS", "30");
    env.insert("QUORVANE_WALLPAPER", "command");
    process.setProcessEnvironment(env);
    process.start();
    ASSERT_TRUE(process.waitForStarted());
    // Start-up puts the cursor on b; the second tick moves on and shows a, the next one b.
    const QDeadlineTimer deadline(20000);
    while (applied().size() < 2 && !deadline.hasExpired()) QThread::msleep(20);
    ASSERT_EQ(applied().mid(0, 2), (QStringList{a, b}));

    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const auto records = testing_support::readStore(folder.filePath("ZARN.DAT"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].setup, b);
    EXPECT_EQ(records[1].setup, std::nullopt);
}

struct Invocation {
    QStringList arguments;
    int exitCode;
    const char* output;  // what it must print, in parts split at '|'
};

class ProgramInvocation : public ProgramProcess,
                          public ::testing::WithParamInterface<Invocation> {};

TEST_P(ProgramInvocation, ExitsWithoutStartingAndAnErrorShowsTheHelp) {
    process.setProcessEnvironment(env);
    process.setArguments(GetParam().arguments);
    process.start();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    const QString output = process.readAllStandardOutput() + process.readAllStandardError();
    const QString help = GetParam().exitCode == 2 ? "|Usage:" : "";
    for (const QString& expected : QString(GetParam().output + help).split('|'))
        EXPECT_TRUE(output.contains(expected)) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , ProgramInvocation,
    ::testing::Values(
        Invocation{
            {"--help"},
            0,
            "--home|--tick-ms|--wallpaper-backend|QUORVANE_WALLPAPER_CMD|gnome|sway|command"},
        Invocation{{"--version"}, 0, "quorvane 1.0.0"}, Invocation{{"-v"}, 0, "quorvane 1.0.0"},
        Invocation{{"--tick-ms", "fast"}, 2, "whole number of milliseconds"},
        Invocation{{"--tick-ms", "0"}, 2, "whole number of milliseconds"},
        Invocation{{"--tick-ms", "-3"}, 2, "whole number of milliseconds"},
        Invocation{{"--wallpaper-backend", "amiga"}, 2, "Unknown wallpaper backend"},
        Invocation{{"--bogus"}, 2, "bogus"},
        Invocation{{"stray.bmp"}, 2, "Unexpected argument: stray.bmp"},
        Invocation{{"--home", ""}, 2, "--home needs a folder."}));

}  // namespace
