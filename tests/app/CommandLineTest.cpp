#include <chrono>
#include <thread>

#include "e2e/RealProgram.h"
#include "platform/DesktopEntryExec.h"
#include "support/HostileNames.h"

// The program as a shell starts it: options and their mistakes, the log-in entry it makes
// of --home, and a logout while a wallpaper tool hangs.
namespace {

using e2e::RealProgram;
using testing_support::StoredRecord;

struct Invocation {
    QStringList arguments;
    int exitCode;
    const char* output;  // what it must print, in parts split at '|'
    bool usage = false;  // a mistake in the options, followed by the help
};

void PrintTo(const Invocation& call, std::ostream* out) {
    *out << call.arguments.join(' ').toStdString();
}

class Invocations : public ::testing::TestWithParam<Invocation> {};

// Without any display: a program that reached for one would end in Qt's fatal "could not
// connect to display" instead.
TEST_P(Invocations, AnswerWithoutADisplayAndAnErrorShowsTheHelp) {
    QProcessEnvironment env = e2e::offscreenEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QUORVANE_WALLPAPER_CMD"})
        env.remove(name);
    const testing_support::TempFolder home;
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QUORVANE_EXECUTABLE, QStringList{"--home", home.path()} + GetParam().arguments);
    ASSERT_TRUE(process.waitForFinished(e2e::kDeadlineMs));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    const QString output = process.readAllStandardOutput() + process.readAllStandardError();
    for (const QString& part : QString(GetParam().output).split('|') +
                                   QStringList(GetParam().usage, "Usage: quorvane [options]"))
        EXPECT_TRUE(output.contains(part)) << output.toStdString();
    EXPECT_FALSE(output.contains("display")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , Invocations,
    ::testing::Values(
        Invocation{{"--help"}, 0, "--home|--tick-ms|--wallpaper-backend|QUORVANE_WALLPAPER_CMD"},
        Invocation{{"--version"}, 0, "quorvane 1.0.0"}, Invocation{{"-v"}, 0, "quorvane 1.0.0"},
        Invocation{{"--tick-ms", "0"}, 2, "whole number of milliseconds above 0, not \"0\"", true},
        Invocation{
            {"--tick-ms=fast"}, 2, "whole number of milliseconds above 0, not \"fast\"", true},
        Invocation{
            {"--wallpaper-backend", "amiga"}, 2, "Unknown wallpaper backend \"amiga\"", true},
        Invocation{{"stray.bmp"}, 2, "Unexpected argument: stray.bmp", true},
        Invocation{{"--home", ""}, 2, "--home needs a folder.", true},
        Invocation{
            {"--autostart", "ON"}, 2, "--autostart takes on, off or status, not \"ON\".", true},
        Invocation{{"--wallpaper-backend", "windows"},
                   2,
                   "The wallpaper backend \"windows\" is not available on this platform."},
        Invocation{{"--monitors", "both"},
                   2,
                   "--monitors takes same, each, span or status, not \"both\"."},
        Invocation{{"--wallpaper-backend", "command"},
                   2,
                   "The wallpaper backend \"command\" needs QUORVANE_WALLPAPER_CMD"}));

class HostileHome : public ::testing::TestWithParam<testsupport::HostileName> {
protected:
    // `quorvane --autostart ...` with a configuration folder of the test's own.
    QString autostart(const QString& action, int exitCode = 0) {
        return run({"--autostart", action}, exitCode);
    }
    QString run(const QStringList& arguments, int exitCode = 0) {
        QProcess process;
        QProcessEnvironment env = e2e::offscreenEnvironment();
        env.insert("XDG_CONFIG_HOME", folder.filePath("config"));
        process.setProcessEnvironment(env);
        process.start(QUORVANE_EXECUTABLE, arguments + QStringList{"--home", home});
        EXPECT_TRUE(process.waitForFinished(e2e::kDeadlineMs));
        EXPECT_EQ(process.exitCode(), exitCode) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    // The command the log-in entry starts, split as a desktop splits it.
    std::optional<QStringList> logInCommand() const {
        for (const QByteArray& line :
             testing_support::fileBytes(folder.filePath("config/autostart/quorvane.desktop"))
                 .split('\n'))
            if (line.startsWith("Exec="))
                return platform::splitDesktopCommand(
                    platform::unescapeDesktopString(QString::fromUtf8(line.mid(5))));
        return std::nullopt;
    }

    testing_support::TempFolder folder;
    const QString home = folder.filePath(GetParam().name);
};

// The entry starts this program on this folder, or is refused where a desktop entry cannot
// hold the name; the program rotates the images there and a logout records the one showing.
TEST_P(HostileHome, IsWhatTheLogInEntryStartsAndWhereTheWallpaperIsRecorded) {
    ASSERT_TRUE(QDir().mkpath(home));
    const bool entryCanHoldIt = std::none_of(GetParam().name.begin(), GetParam().name.end(),
                                             [](QChar c) { return c.unicode() < 0x20; });
    EXPECT_EQ(autostart("status"), "off\n");
    autostart("on", entryCanHoldIt ? 0 : 1);
    const QStringList command = {QFileInfo(QUORVANE_EXECUTABLE).canonicalFilePath(), "--home",
                                 home};
    if (entryCanHoldIt) {
        EXPECT_EQ(autostart("status"), "on\n");
        EXPECT_EQ(logInCommand(), command);
    }

    // b was showing at the last exit, so a comes next; "zz" is too short a path to apply: it
    // takes its turn while b is the wallpaper again.
    const std::vector<StoredRecord> list = {{home + "/a.bmp", "a", "0", home + "/b.bmp"},
                                            {home + "/b.bmp", "b", "0", {}},
                                            {"zz", "zz", "1000", {}}};
    testing_support::writeStore(home + "/ZARN.DAT", list);
    RealProgram program(folder, e2e::offscreenEnvironment());
    program.process.setProgram(command[0]);
    ASSERT_TRUE(program.start(home, 30));
    ASSERT_TRUE(e2e::waitFor([&] { return program.applied().size() >= 2; }));
    EXPECT_EQ(program.applied(), QStringList({*list[0].path, *list[1].path}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // ten ticks: zz has come
    EXPECT_EQ(program.applied(), QStringList({*list[0].path, *list[1].path}));
    EXPECT_TRUE(program.terminate());
    EXPECT_EQ(testing_support::readStore(home + "/ZARN.DAT").at(0).setup, list[1].path);

    autostart("off");
    EXPECT_EQ(autostart("status"), "off\n");

    // The monitors' choice is kept beside the show list, which stays as it was.
    EXPECT_EQ(run({"--monitors", "status"}), "same\n");
    EXPECT_EQ(run({"--monitors", "span"}), "");
    EXPECT_EQ(run({"--monitors", "status"}), "span\n");
    EXPECT_EQ(testing_support::readStore(home + "/ZARN.DAT").size(), list.size());
}

INSTANTIATE_TEST_SUITE_P(Names, HostileHome, ::testing::ValuesIn(testsupport::hostileNames()),
                         [](const auto& info) { return std::string(info.param.label); });

// A wallpaper tool that never returns: the logout neither waits for it nor leaves it behind.
TEST(Logout, DuringAHungWallpaperToolEndsAtOnceAndRecordsTheWallpaper) {
    const testing_support::TempFolder folder;
    const QString hung = e2e::writeScript(folder, "hung.sh",
                                          "echo \"$1\" > \"$(dirname \"$0\")/hung.txt\"\n"
                                          "echo $$ >> \"$(dirname \"$0\")/hung.txt\"\n"
                                          "exec sleep 60\n");
    testing_support::writeStore(
        folder.filePath("ZARN.DAT"),
        {{folder.filePath("a.bmp"), "a", "0", {}}, {folder.filePath("b.bmp"), "b", "0", {}}});
    RealProgram program(folder, e2e::offscreenEnvironment(), "applied", hung + " %f");
    ASSERT_TRUE(program.start(folder.path(), 30));
    QStringList called;
    ASSERT_TRUE(e2e::waitFor([&] {
        called = QString(testing_support::fileBytes(folder.filePath("hung.txt"))).split('\n');
        return called.size() == 3;
    }));
    program.signal(SIGTERM);
    // Well inside the five seconds one change may take.
    ASSERT_TRUE(program.process.waitForFinished(3000)) << "the end waited for the hung tool";
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_NE(::kill(pid_t(called[1].toLongLong()), 0), 0) << "the hung tool was left running";
    EXPECT_EQ(testing_support::readStore(folder.filePath("ZARN.DAT")).at(0).setup, called[0]);
}

}  // namespace
