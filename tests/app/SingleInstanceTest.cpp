#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <future>
#include <memory>

#include "ProgramLaunch.h"
#include "app/SingleInstance.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using app::SingleInstance;
using testing_support::fileBytes;
using testing_support::TempFolder;

QString socketPath(const QString& programFolder) {
    return QDir::tempPath() + QLatin1Char('/') + SingleInstance::serverName(programFolder);
}

// Changes the store as a user would with the sqlite3 shell, waiting while the running program
// reads it.
void editByHand(const QString& store, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 10000);
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// A later start made on a thread of its own, as another process would, while this thread
// keeps the first copy's events going.
SingleInstance::Start startElsewhere(const QString& programFolder,
                                     std::chrono::milliseconds answerWait) {
    auto start = std::async(std::launch::async, [=] {
        SingleInstance later(programFolder);
        return later.start(answerWait);
    });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return start.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    return start.get();
}

struct FolderPath {
    const char* name;
    // The path a second start is given for the folder the first one runs in.
    QString (*sameFolder)(const TempFolder& folder, const TempFolder& elsewhere);
};

void PrintTo(const FolderPath& path, std::ostream* out) { *out << path.name; }

class SecondStart : public ::testing::TestWithParam<FolderPath> {};

TEST_P(SecondStart, OnAnyPathToTheFolderHandsOverItsRequest) {
    TempFolder folder, elsewhere;
    SingleInstance first(folder.path());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++requests; });
    ASSERT_EQ(first.start(), SingleInstance::Start::Run);
    EXPECT_EQ(startElsewhere(GetParam().sameFolder(folder, elsewhere), SingleInstance::kAnswerWait),
              SingleInstance::Start::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return requests > 0; }, 5000));
    EXPECT_EQ(requests, 1);
}

INSTANTIATE_TEST_SUITE_P(
    , SecondStart,
    ::testing::Values(FolderPath{"Same", [](const TempFolder& folder,
                                            const TempFolder&) { return folder.path(); }},
                      FolderPath{"Roundabout",
                                 [](const TempFolder& folder, const TempFolder&) {
                                     QDir(folder.path()).mkdir("sub");
                                     return folder.filePath("sub/../");
                                 }},
                      FolderPath{"ThroughALink",
                                 [](const TempFolder& folder, const TempFolder& elsewhere) {
                                     const QString link = elsewhere.filePath("link");
                                     QFile::link(folder.path(), link);
                                     return link;
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SingleInstance, FoldersOfTheirOwnRunSideBySide) {
    TempFolder one, two;
    SingleInstance first(one.path()), second(two.path());
    EXPECT_EQ(first.start(), SingleInstance::Start::Run);
    EXPECT_EQ(second.start(), SingleInstance::Start::Run);
    EXPECT_NE(SingleInstance::serverName(one.path()), SingleInstance::serverName(two.path()));
}

TEST(SingleInstance, AStartWhileTheFirstIsStillStartingUpWaitsForItToListen) {
    TempFolder folder;
    // The first copy has taken the lock but does not listen yet.
    QLockFile starting(folder.filePath(SingleInstance::lockFileName()));
    ASSERT_TRUE(starting.tryLock(0));
    auto later = std::async(std::launch::async, [&] {
        return SingleInstance(folder.path()).start(SingleInstance::kAnswerWait);
    });
    QTest::qWait(300);
    starting.unlock();
    SingleInstance first(folder.path());
    ASSERT_EQ(first.start(), SingleInstance::Start::Run);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(later.get(), SingleInstance::Start::HandedOver);
}

TEST(SingleInstance, AFolderThatCannotHoldALockFileIsRunUnguarded) {
    TempFolder folder;
    const QString unusable = folder.write("plain file", "") + "/folder";
    SingleInstance first(unusable), second(unusable);
    EXPECT_EQ(first.start(), SingleInstance::Start::Run);
    EXPECT_EQ(second.start(), SingleInstance::Start::Run);
}

TEST(SingleInstance, ACopyThatDoesNotAnswerKeepsTheFolderAndTheNextStartRunsOnceItEnds) {
    TempFolder folder;
    auto first = std::make_unique<SingleInstance>(folder.path());
    ASSERT_EQ(first->start(), SingleInstance::Start::Run);
    // This thread blocks while the later start waits: the first copy cannot answer.
    auto later = std::async(std::launch::async, [&] {
        return SingleInstance(folder.path()).start(std::chrono::milliseconds(300));
    });
    EXPECT_EQ(later.get(), SingleInstance::Start::OtherNotAnswering);
    first.reset();
    EXPECT_FALSE(QFile::exists(folder.filePath(SingleInstance::lockFileName())));
    EXPECT_FALSE(QFile::exists(socketPath(folder.path())));
    EXPECT_EQ(SingleInstance(folder.path()).start(), SingleInstance::Start::Run);
}

TEST(SingleInstance, ARequestOtherThanShowIsNotTaken) {
    TempFolder folder;
    SingleInstance first(folder.path());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++requests; });
    ASSERT_EQ(first.start(), SingleInstance::Start::Run);
    QLocalSocket stranger;
    stranger.connectToServer(SingleInstance::serverName(folder.path()));
    ASSERT_TRUE(stranger.waitForConnected(2000));
    stranger.write("quit\n");
    stranger.flush();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return stranger.state() != QLocalSocket::ConnectedState; }, 5000))
        << "a request it does not know ends the connection";
    EXPECT_EQ(stranger.readAll(), QByteArray());
    EXPECT_EQ(requests, 0);
}

// The real program, started as a user would start it twice.
class Copies : public ::testing::Test {
protected:
    // Starts the program on `home`; each wallpaper it sets is appended to `log` in the test's
    // folder.
    std::unique_ptr<QProcess> start(const QString& home, const QString& log, int tickMs) {
        const QString command = program_launch::writeScript(
            folder, log + ".sh",
            "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/" + log.toUtf8() + "\"\n");
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(program_launch::offscreenEnvironment(command));
        process->setProgram(QUORVANE_EXECUTABLE);
        process->setArguments({"--home", home, "--tick-ms", QString::number(tickMs),
                               "--wallpaper-backend", "command"});
        process->start();
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    QStringList applied(const QString& log) const {
        return QString(fileBytes(folder.filePath(log))).split('\n', Qt::SkipEmptyParts);
    }
    // Lets the copy start listening for later starts.
    static bool listening(const QString& home) {
        return program_launch::waitFor([&] { return QFile::exists(socketPath(home)); });
    }
    // A later start that must end by itself, without having set anything.
    void expectEndsAtOnce(QProcess& later, const QString& log, const QByteArray& stderrText) {
        ASSERT_TRUE(later.waitForFinished(10000));
        EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.exitCode(), 0);
        EXPECT_EQ(QString(later.readAllStandardError()).remove(kQtNoise).toUtf8(), stderrText);
        EXPECT_FALSE(QFile::exists(folder.filePath(log))) << "the later start set a wallpaper";
    }

    // What Qt says on its own in a bare test environment.
    const QRegularExpression kQtNoise{"QStandardPaths: [^\n]*\n"};
    TempFolder folder;
    const QString home = folder.filePath("home");
    const QString store = home + "/ZARN.DAT";
};

TEST_F(Copies, ASecondStartBringsUpTheFirstAndLeavesStoreAndWallpaperAlone) {
    QDir().mkpath(home);
    testing_support::writeStore(store, {{home + "/a.bmp", "a", "100", home + "/b.bmp"},
                                        {home + "/b.bmp", "b", "100", std::nullopt}});
    // A full-length tick: nothing changes the wallpaper but coming out of the tray, which
    // shows the one recorded at the last exit.
    const auto first = start(home, "first.txt", 60006);
    ASSERT_TRUE(listening(home));
    const QByteArray storeBefore = fileBytes(store);
    const auto second = start(home, "second.txt", 30);
    expectEndsAtOnce(*second, "second.txt", "");
    EXPECT_EQ(fileBytes(store), storeBefore);
    ASSERT_TRUE(program_launch::waitFor([&] { return !applied("first.txt").isEmpty(); }))
        << "the first copy's window did not come up";
    EXPECT_EQ(applied("first.txt"), QStringList{home + "/b.bmp"});
    EXPECT_EQ(first->state(), QProcess::Running);
    program_launch::endAndExpectCleanExit(*first);
}

TEST_F(Copies, HelpAndVersionAnswerThemselvesWhileACopyRuns) {
    const auto first = start(home, "first.txt", 60006);
    ASSERT_TRUE(listening(home));
    for (const char* option : {"--version", "--help"}) {
        QProcess oneShot;
        oneShot.start(QUORVANE_EXECUTABLE, {"--home", home, option});
        ASSERT_TRUE(oneShot.waitForFinished(10000));
        EXPECT_EQ(oneShot.exitCode(), 0);
        EXPECT_TRUE(oneShot.readAllStandardOutput().startsWith(
            option == std::string("--version") ? "quorvane 1.0.0" : "Usage: quorvane"))
            << option;
    }
    program_launch::endAndExpectCleanExit(*first);
}

TEST_F(Copies, AStartWhileTheFirstIsHungEndsSayingSo) {
    QDir().mkpath(home);
    testing_support::writeStore(store, {{home + "/a.bmp", "a", "100", std::nullopt}});
    const auto first = start(home, "first.txt", 60006);
    ASSERT_TRUE(listening(home));
    ::kill(pid_t(first->processId()), SIGSTOP);
    const QByteArray storeBefore = fileBytes(store);
    const auto second = start(home, "second.txt", 30);
    expectEndsAtOnce(*second, "second.txt",
                     "quorvane: another copy runs in " + home.toUtf8() + " and does not answer.\n");
    EXPECT_EQ(fileBytes(store), storeBefore);
    ::kill(pid_t(first->processId()), SIGCONT);
    program_launch::endAndExpectCleanExit(*first);
}

TEST_F(Copies, ACopyKilledOutrightLeavesLockAndSocketThatDoNotStopTheNextStart) {
    QDir().mkpath(home);
    testing_support::writeStore(store, {{home + "/a.bmp", "a", "0", std::nullopt},
                                        {home + "/b.bmp", "b", "0", std::nullopt}});
    const auto killed = start(home, "killed.txt", 30);
    ASSERT_TRUE(program_launch::waitFor([&] { return applied("killed.txt").size() >= 2; }));
    killed->kill();
    ASSERT_TRUE(killed->waitForFinished(10000));
    ASSERT_TRUE(QFile::exists(home + "/" + SingleInstance::lockFileName()));
    ASSERT_TRUE(QFile::exists(socketPath(home)));

    const auto next = start(home, "next.txt", 30);
    EXPECT_TRUE(program_launch::waitFor([&] { return applied("next.txt").size() >= 2; }))
        << "it does not rotate";
    // It took the folder over: a further start hands over to it.
    const auto further = start(home, "further.txt", 30);
    expectEndsAtOnce(*further, "further.txt", "");
    program_launch::endAndExpectCleanExit(*next);
}

TEST_F(Copies, CopiesOnTwoProgramFoldersRunSideBySide) {
    const QString otherHome = folder.filePath("other");
    for (const QString& h : {home, otherHome}) {
        QDir().mkpath(h);
        testing_support::writeStore(h + "/ZARN.DAT", {{h + "/a.bmp", "a", "0", std::nullopt},
                                                      {h + "/b.bmp", "b", "0", std::nullopt}});
    }
    const auto one = start(home, "one.txt", 30);
    const auto two = start(otherHome, "two.txt", 30);
    EXPECT_TRUE(program_launch::waitFor([&] { return applied("one.txt").size() >= 3; }));
    EXPECT_TRUE(program_launch::waitFor([&] { return applied("two.txt").size() >= 3; }));
    EXPECT_TRUE(applied("two.txt").first().startsWith(otherHome));
    program_launch::endAndExpectCleanExit(*one);
    program_launch::endAndExpectCleanExit(*two);
}

// A store changed by hand while the program rotates: the rotation goes on with the records
// now stored.
TEST_F(Copies, AStoreRewrittenWhileRunningIsRotatedAsNowStored) {
    QDir().mkpath(home);
    testing_support::writeStore(store, {{home + "/a.bmp", "a", "0", std::nullopt},
                                        {home + "/b.bmp", "b", "0", std::nullopt},
                                        {home + "/c.bmp", "c", "0", std::nullopt}});
    const auto running = start(home, "applied.txt", 30);
    ASSERT_TRUE(program_launch::waitFor([&] { return applied("applied.txt").size() >= 2; }));
    // Written anew in one transaction, as a save does.
    editByHand(store,
               "BEGIN; DELETE FROM WALLPAPER; INSERT INTO WALLPAPER (Path, ViewTime) VALUES ('" +
                   home + "/x.bmp', '0'), ('" + home + "/y.bmp', '0'); COMMIT");
    // Where the new records start to show; a change under way may still show an old one.
    const auto firstNew = [&] {
        const QStringList seen = applied("applied.txt");
        for (qsizetype i = 0; i < seen.size(); ++i)
            if (seen[i].endsWith("x.bmp") || seen[i].endsWith("y.bmp")) return i;
        return qsizetype(-1);
    };
    ASSERT_TRUE(program_launch::waitFor([&] {
        return firstNew() >= 0 && applied("applied.txt").size() >= firstNew() + 4;
    })) << "stuck on the old records: "
        << applied("applied.txt").join(' ').toStdString();
    const QStringList after = applied("applied.txt").mid(firstNew(), 4);
    const QStringList xy = {home + "/x.bmp", home + "/y.bmp"};
    const QStringList yx = {home + "/y.bmp", home + "/x.bmp"};
    EXPECT_TRUE(after == xy + xy || after == yx + yx) << after.join(' ').toStdString();
    program_launch::endAndExpectCleanExit(*running);
}

}  // namespace
