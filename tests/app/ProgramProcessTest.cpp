#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// The real executable, run as a user would, with the wallpaper set through a recording
// command.
namespace {

using testing_support::StoredRecord;
using testing_support::TempFolder;

class ProgramProcess : public ::testing::Test {
protected:
    void SetUp() override {
        recorder =
            folder.write(QStringLiteral("record.sh"),
                         "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUORVANE_WALLPAPER_CMD"), recorder + QStringLiteral(" %f"));
        env.remove(QStringLiteral("QUORVANE_HOME"));
        process.setProcessEnvironment(env);
        process.setProgram(QStringLiteral(QUORVANE_EXECUTABLE));
    }

    QStringList applied() const {
        QFile file(folder.filePath(QStringLiteral("applied.txt")));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    TempFolder folder;
    QString recorder;
    QProcess process;
};

TEST_F(ProgramProcess, RotatesThenRecordsTheWallpaperWhenTerminated) {
    const QString a = folder.filePath(QStringLiteral("a b.bmp"));
    const QString b = folder.filePath(QStringLiteral("it's.bmp"));
    testing_support::writeStore(folder.filePath(QStringLiteral("ZARN.DAT")),
                                {{a, QStringLiteral("a b"), QStringLiteral("0"), std::nullopt},
                                 {b, QStringLiteral("it's"), QStringLiteral("100"), std::nullopt}});
    process.setArguments(
        {"--home", folder.path(), "--tick-ms", "30", "--wallpaper-backend", "command"});
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
    const auto records = testing_support::readStore(folder.filePath(QStringLiteral("ZARN.DAT")));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].setup, b);
    EXPECT_EQ(records[1].setup, std::nullopt);
}

struct Invocation {
    QStringList arguments;
    int exitCode;
    const char* expectedOutput;
};

class ProgramInvocation : public ProgramProcess,
                          public ::testing::WithParamInterface<Invocation> {};

TEST_P(ProgramInvocation, ExitsWithoutStarting) {
    process.setArguments(GetParam().arguments);
    process.start();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    const QString output =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    EXPECT_TRUE(output.contains(QLatin1String(GetParam().expectedOutput))) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ProgramInvocation,
    ::testing::Values(Invocation{{"--help"}, 0, "--wallpaper-backend"},
                      Invocation{{"--version"}, 0, "quorvane 1.0.0"},
                      Invocation{{"--tick-ms", "fast"}, 2, "whole number of milliseconds"},
                      Invocation{
                          {"--wallpaper-backend", "amiga"}, 2, "Unknown wallpaper backend"}));

}  // namespace
