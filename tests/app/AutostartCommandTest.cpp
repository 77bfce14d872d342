#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "ProgramLaunch.h"
#include "app/CommandLine.h"
#include "platform/DesktopEntryExec.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using testing_support::fileBytes;

TEST(CommandLine, AutostartTakesOnOffOrStatusAndKeepsTheHome) {
    const QProcessEnvironment none;
    for (const char* action : {"on", "off", "status"}) {
        const app::StartupOptions o =
            app::parseCommandLine({QString("--autostart=") + action, "--home", "/h"}, none);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.autostart, action);
        EXPECT_EQ(o.home, "/h");
    }
    EXPECT_EQ(app::parseCommandLine({"--autostart", "ON"}, none).error,
              "--autostart takes on, off or status, not \"ON\".");
    EXPECT_EQ(app::parseCommandLine({}, none).autostart, "");
}

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

// `quorvane --autostart ...` with its own configuration folder and no display at all: a
// program that reached for one would end in Qt's fatal "could not connect to display".
class AutostartCommand : public ::testing::Test {
protected:
    AutostartCommand() {
        env.insert("XDG_CONFIG_HOME", folder.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QUORVANE_HOME");
    }

    Outcome run(const QStringList& arguments, const QProcessEnvironment& with) const {
        QProcess process;
        process.setProcessEnvironment(with);
        process.start(QUORVANE_EXECUTABLE, arguments);
        EXPECT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    Outcome run(const QStringList& arguments) const { return run(arguments, env); }

    QString entry() const { return folder.filePath("config/autostart/quorvane.desktop"); }

    QString execLine() const {
        for (const QByteArray& line : fileBytes(entry()).split('\n'))
            if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
        return {};
    }

    testing_support::TempFolder folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

TEST_F(AutostartCommand, StatusOnStatusOffStatus) {
    const QString program = QFileInfo(QUORVANE_EXECUTABLE).canonicalFilePath();
    struct Step {
        QString action;
        QString out;
        bool entryAfter;
    };
    for (const Step& step :
         {Step{"status", "off\n", false}, Step{"on", "", true}, Step{"status", "on\n", true},
          Step{"on", "", true}, Step{"off", "", false}, Step{"status", "off\n", false},
          Step{"off", "", false}}) {
        SCOPED_TRACE(step.action.toStdString());
        const Outcome r = run({"--autostart", step.action});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, step.out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(QFile::exists(entry()), step.entryAfter);
        if (step.entryAfter) {
            EXPECT_EQ(execLine(), program);
        }
    }
}

TEST_F(AutostartCommand, AnotherProgramsEntryIsReportedAndLeftAsItIs) {
    QDir().mkpath(folder.filePath("config/autostart"));
    const QByteArray other =
        "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other \"a b\" %U\n";
    folder.write("config/autostart/quorvane.desktop", other);

    const Outcome on = run({"--autostart", "on"});
    EXPECT_EQ(on.exitCode, 1);
    EXPECT_EQ(on.out, "");
    EXPECT_EQ(on.err, "quorvane: " + entry() +
                          " already starts another program at log-in: /usr/bin/other \"a b\" "
                          "%U\nRun quorvane --autostart off first to replace it.\n");
    EXPECT_EQ(fileBytes(entry()), other);

    const Outcome status = run({"--autostart", "status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out, "other: /usr/bin/other \"a b\" %U\n");

    EXPECT_EQ(run({"--autostart", "off"}).exitCode, 0);
    EXPECT_EQ(run({"--autostart", "on"}).exitCode, 0);
    EXPECT_EQ(run({"--autostart", "status"}).out, "on\n");
}

TEST_F(AutostartCommand, ABadValueIsAUsageErrorAndAnUnwritableFolderIsNamed) {
    const Outcome bad = run({"--autostart", "maybe"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(
        bad.err.startsWith("--autostart takes on, off or status, not \"maybe\".\n\n"
                           "Usage: quorvane [options]\n"))
        << bad.err.toStdString();

    const QString config = folder.write("config", "a file, not a folder");
    const Outcome on = run({"--autostart", "on"});
    EXPECT_EQ(on.exitCode, 1);
    EXPECT_EQ(on.err,
              "quorvane: The folder " + config + "/autostart cannot be made: Not a directory.\n");
}

// The proof that the entry works: its Exec line, split as a desktop splits it, starts this
// program on this home - the single-instance lock appears there.
TEST_F(AutostartCommand, TheEntryStartsThisProgramOnTheHomeItWasMadeWith) {
    const QString home = folder.filePath("it's my \"home\" $HOME");
    QDir().mkpath(home);
    ASSERT_EQ(run({"--autostart", "on", "--home", home}).exitCode, 0);

    QProcessEnvironment withHome = env;
    withHome.insert("QUORVANE_HOME", home);
    EXPECT_EQ(run({"--autostart", "status"}, withHome).out, "on\n");
    EXPECT_TRUE(run({"--autostart", "status"}).out.startsWith("other: "));

    const std::optional<QStringList> started =
        platform::splitDesktopCommand(platform::unescapeDesktopString(execLine()));
    ASSERT_TRUE(started);
    ASSERT_EQ(*started,
              (QStringList{QFileInfo(QUORVANE_EXECUTABLE).canonicalFilePath(), "--home", home}));

    QProcessEnvironment session = program_launch::offscreenEnvironment(
        program_launch::writeScript(folder, "set.sh", "#!/bin/sh\nexit 0\n"));
    session.insert("QUORVANE_WALLPAPER", "command");
    QProcess process;
    process.setProcessEnvironment(session);
    process.start(started->first(), started->mid(1));
    ASSERT_TRUE(process.waitForStarted());
    EXPECT_TRUE(program_launch::waitFor([&] { return QFile::exists(home + "/quorvane.lock"); }));
    program_launch::endAndExpectCleanExit(process);
}

}  // namespace
