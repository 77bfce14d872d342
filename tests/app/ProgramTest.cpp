#include <gtest/gtest.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QThread>
#include <csignal>

#include "ProgramLaunch.h"
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
    void SetUp() override { process.setProgram(QUORVANE_EXECUTABLE); }
    QStringList applied() const {
        return QString(fileBytes(folder.filePath("applied.txt"))).split('\n', Qt::SkipEmptyParts);
    }

    testing_support::TempFolder folder;
    QProcessEnvironment env = program_launch::offscreenEnvironment(program_launch::writeScript(
        folder, "record.sh",
        "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n"));
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
    program_launch::waitFor([&] { return applied().size() >= 2; });
    ASSERT_EQ(applied().mid(0, 2), (QStringList{a, b}));
    program_launch::endAndExpectCleanExit(process);
    const auto records = testing_support::readStore(folder.filePath("ZARN.DAT"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].setup, b);
    EXPECT_EQ(records[1].setup, std::nullopt);
}

// A program folder the user cannot write to, holding a store file they can: SQLite could
// read and even lock it, but no save could ever create its journal there.
TEST_F(ProgramProcess, AStoreInAFolderThatCannotBeWrittenIsNamedOnceAndLeftAlone) {
    const QString home = folder.filePath("home");
    QDir().mkpath(home);
    const QString store = home + "/ZARN.DAT";
    testing_support::writeStore(store, {{home + "/a.bmp", "a", "0", std::nullopt},
                                        {home + "/b.bmp", "b", "0", std::nullopt}});
    const auto everyone = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner |
                          QFile::ExeGroup | QFile::ExeOther;
    QFile::setPermissions(store,
                          everyone | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    QFile::setPermissions(home, everyone);
    // The recorder and what it writes stay reachable for the user the program runs as.
    QFile::setPermissions(folder.path(),
                          everyone | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    QFile::setPermissions(folder.filePath("record.sh"), everyone);
    const QByteArray before = fileBytes(store);

    env.insert("QUORVANE_WALLPAPER", "command");
    process.setProcessEnvironment(env);
    const QStringList arguments = {"--home", home, "--tick-ms", "30"};
    if (::geteuid() == 0) {
        // Permissions do not bind the superuser: the program runs as nobody.
        process.setProgram("setpriv");
        process.setArguments(QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                         QUORVANE_EXECUTABLE} +
                             arguments);
    } else {
        process.setArguments(arguments);
    }
    process.start();
    ASSERT_TRUE(process.waitForStarted());
    const QString told = "quorvane: the show list cannot be kept in " + store +
                         ": the store cannot be written: its folder " + home +
                         " does not let new files be made there";
    QString errors;
    const QDeadlineTimer deadline(20000);
    while (!errors.contains(told) && !deadline.hasExpired() &&
           process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        errors += process.readAllStandardError();
    }
    ASSERT_TRUE(errors.contains(told)) << errors.toStdString();
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    errors += process.readAllStandardError();
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(errors.count("quorvane: "), 1) << errors.toStdString();
    EXPECT_TRUE(applied().isEmpty()) << "a list that cannot be kept is not rotated";
    EXPECT_EQ(fileBytes(store), before);
}

// An X server that takes connections and never answers: Qt's start-up waits on it for good,
// which holds the program at the earliest point a logout can reach it.
class SilentXServer {
public:
    SilentXServer() {
        for (int display = 40; display < 100 && !server.isListening(); ++display)
            if (server.listen(QHostAddress::LocalHost, quint16(6000 + display)))
                name = QStringLiteral("127.0.0.1:%1").arg(display);
    }
    QTcpServer server;
    QString name;
};

TEST_F(ProgramProcess, ATerminationWhileQtStartsEndsCleanlyNotAsACrash) {
    SilentXServer x;
    ASSERT_TRUE(x.server.isListening()) << "no free X display port between 6040 and 6099";
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("DISPLAY", x.name);
    env.remove("WAYLAND_DISPLAY");
    env.insert("QUORVANE_WALLPAPER", "command");
    process.setProcessEnvironment(env);
    process.setArguments({"--home", folder.path()});
    process.start();
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(x.server.waitForNewConnection(20000)) << "the program never reached its display";
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "killed by the signal";
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(folder.filePath("ZARN.DAT"))) << "nothing was touched yet";
}

// A wallpaper command that fails, saying why, until the file "works" exists in its folder,
// and notes every call.
const char* const kFlakyCommand =
    "#!/bin/sh\n"
    "cd \"$(dirname \"$0\")\"\n"
    "printf '%s\\n' \"$1\" >> calls.txt\n"
    "[ -e works ] || { echo 'no desktop to talk to' >&2; exit 3; }\n";

class ProgramReports : public ProgramProcess {
protected:
    // Starts the program rotating through three images a tick each, with `script` as the
    // wallpaper command.
    void startWith(const char* script) {
        const QString command = program_launch::writeScript(folder, "command.sh", script);
        testing_support::writeStore(folder.filePath("ZARN.DAT"),
                                    {{folder.filePath("a.bmp"), "a", "0", std::nullopt},
                                     {folder.filePath("b.bmp"), "b", "0", std::nullopt},
                                     {folder.filePath("c.bmp"), "c", "0", std::nullopt}});
        env.insert("QUORVANE_WALLPAPER_CMD", command + " %f");
        process.setProcessEnvironment(env);
        process.setArguments(
            {"--home", folder.path(), "--tick-ms", "30", "--wallpaper-backend", "command"});
        process.setStandardErrorFile(folder.filePath("stderr.txt"));
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }
    int calls() const { return int(QString(fileBytes(folder.filePath("calls.txt"))).count('\n')); }
    // The lines the program itself wrote to standard error so far (Qt's own messages may
    // lack their line ends).
    QStringList ownLines() const {
        QStringList own;
        for (const QString& line :
             QString::fromLocal8Bit(fileBytes(folder.filePath("stderr.txt"))).split('\n'))
            if (line.contains("quorvane: ")) own << line.mid(line.indexOf("quorvane: "));
        return own;
    }
    void endAndExpectCleanExit() { program_launch::endAndExpectCleanExit(process); }
};

TEST_F(ProgramReports, AFailingWallpaperOncePerRunOfFailuresAndWhenItWorksAgain) {
    startWith(kFlakyCommand);
    ASSERT_TRUE(program_launch::waitFor([&] { return calls() >= 4; }));
    const QString failing =
        "quorvane: the wallpaper could not be changed with the command backend: " +
        folder.filePath("command.sh") + " failed (exit status 3): no desktop to talk to";
    EXPECT_EQ(ownLines(), QStringList{failing}) << "told once, however many changes fail";
    folder.write("works", "");
    const int before = calls();
    ASSERT_TRUE(program_launch::waitFor([&] { return calls() >= before + 3; }));
    EXPECT_EQ(
        ownLines(),
        QStringList({failing, "quorvane: the wallpaper changes again with the command backend"}));
    endAndExpectCleanExit();
}

TEST_F(ProgramReports, AHungWallpaperToolDoesNotHoldUpTheEndAndTheWallpaperIsRecorded) {
    startWith(
        "#!/bin/sh\n"
        "cd \"$(dirname \"$0\")\"\n"
        "printf '%s\\n' \"$1\" >> calls.txt\n"
        "echo $$ > hung.pid\n"
        "exec sleep 60\n");
    ASSERT_TRUE(
        program_launch::waitFor([&] { return QFile::exists(folder.filePath("hung.pid")); }));
    const QString showing = QString(fileBytes(folder.filePath("calls.txt"))).trimmed();
    ::kill(pid_t(process.processId()), SIGTERM);
    // Well inside the five seconds one change may take: the end does not wait for it.
    ASSERT_TRUE(process.waitForFinished(3000)) << "the end waited for the hung tool";
    EXPECT_EQ(process.exitCode(), 0);
    const qint64 hung = QString(fileBytes(folder.filePath("hung.pid"))).trimmed().toLongLong();
    EXPECT_NE(::kill(pid_t(hung), 0), 0) << "the hung tool was left running";
    const auto records = testing_support::readStore(folder.filePath("ZARN.DAT"));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].setup, showing);
}

struct BackendCase {
    const char* backend;
    const char* problem;
};

class BadBackendWithoutDisplay : public ProgramProcess,
                                 public ::testing::WithParamInterface<BackendCase> {};

TEST_P(BadBackendWithoutDisplay, IsTheProblemReportedNotTheMissingDisplay) {
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QUORVANE_WALLPAPER_CMD"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setArguments({"--home", folder.path(), "--wallpaper-backend", GetParam().backend});
    process.start();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    const QString output = process.readAllStandardError();
    EXPECT_TRUE(output.startsWith(GetParam().problem)) << output.toStdString();
    EXPECT_FALSE(output.contains("display")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , BadBackendWithoutDisplay,
    ::testing::Values(
        BackendCase{"windows",
                    "The wallpaper backend \"windows\" is not available on this platform."},
        BackendCase{"command", "The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD"}),
    [](const auto& info) { return std::string(info.param.backend); });

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
