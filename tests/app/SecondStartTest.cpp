#include <QRegularExpression>
#include <csignal>

#include "app/SingleInstance.h"
#include "e2e/RealProgram.h"

// The program started again on a folder a copy already runs in, as a user does who forgot
// it was in the notification area, or as a log-in start does after a crash.
namespace {

using e2e::RealProgram;
using e2e::waitFor;

class SecondStart : public ::testing::Test {
protected:
    SecondStart() {
        QDir().mkpath(home);
        testing_support::writeStore(store, list);
        QFile::link(home, link);
    }
    // A copy with a full-length tick: nothing changes the wallpaper but its window coming up,
    // which shows the one recorded at the last exit.
    std::unique_ptr<RealProgram> start(const QString& name, const QString& on) {
        auto copy = std::make_unique<RealProgram>(folder, e2e::offscreenEnvironment(), name);
        copy->process.setProcessChannelMode(QProcess::MergedChannels);
        EXPECT_TRUE(copy->start(on, 60006));
        return copy;
    }
    // Whether the copy holds the folder: its lock file names it.
    bool holdsTheFolder(const RealProgram& copy) const {
        const QString lock = home + '/' + app::SingleInstance::lockFileName();
        return waitFor([&] {
            return testing_support::fileBytes(lock).split('\n').first().toLongLong() ==
                   copy.process.processId();
        });
    }
    // A later start that ends by itself at once, having set nothing and said `said`.
    void expectEndsAtOnce(RealProgram& later, const QByteArray& said) {
        ASSERT_TRUE(later.process.waitForFinished(e2e::kDeadlineMs)) << "it runs beside the first";
        EXPECT_EQ(later.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.process.exitCode(), 0);
        EXPECT_EQ(QString(later.process.readAll()).remove(kQtNoise), said);
        EXPECT_EQ(later.applied(), QStringList());
        EXPECT_EQ(testing_support::fileBytes(store), storeBefore);
    }

    // What Qt says on its own in a bare test environment.
    const QRegularExpression kQtNoise{"QStandardPaths: [^\n]*\n"};
    testing_support::TempFolder folder;
    const QString home = folder.filePath("home"), store = home + "/ZARN.DAT";
    const QString link = folder.filePath("link");
    const std::vector<testing_support::StoredRecord> list = {
        {home + "/a.bmp", "a", "100", home + "/b.bmp"}, {home + "/b.bmp", "b", "100", {}}};
    QByteArray storeBefore;
};

TEST_F(SecondStart, ThroughALinkBringsUpTheFirstAndOutlivesACrashedOrHungCopy) {
    // A logout before any change records the wallpaper that showed, not the next one.
    auto first = start("first", home);
    ASSERT_TRUE(holdsTheFolder(*first));
    EXPECT_TRUE(first->terminate());
    EXPECT_EQ(first->applied(), QStringList()) << "the start changed the wallpaper";
    EXPECT_EQ(testing_support::readStore(store), list);

    // A copy killed outright leaves its lock and socket behind; the next start runs all the
    // same and answers the one after it, whose request brings its window up.
    auto crashed = start("crashed", home);
    ASSERT_TRUE(holdsTheFolder(*crashed));
    crashed->process.kill();
    ASSERT_TRUE(crashed->process.waitForFinished());
    auto running = start("running", home);
    ASSERT_TRUE(holdsTheFolder(*running));
    storeBefore = testing_support::fileBytes(store);
    auto later = start("later", link);
    expectEndsAtOnce(*later, "");
    EXPECT_TRUE(waitFor([&] { return !running->applied().isEmpty(); }))
        << "the first copy's window did not come up";
    EXPECT_EQ(running->applied(), QStringList{home + "/b.bmp"});

    // --version answers itself; a start while the copy hangs says so.
    QProcess version;
    version.start(QUORVANE_EXECUTABLE, {"--home", home, "--version"});
    ASSERT_TRUE(version.waitForFinished(e2e::kDeadlineMs));
    EXPECT_EQ(version.readAllStandardOutput(), "quorvane 1.0.0\n");
    running->signal(SIGSTOP);
    auto stuck = start("stuck", home);
    expectEndsAtOnce(*stuck,
                     "quorvane: another copy runs in " + home.toUtf8() + " and does not answer.\n");
    running->signal(SIGCONT);
    EXPECT_TRUE(running->terminate());

    // One killed between making its lock file and writing itself into it leaves the file
    // empty; the next start takes the folder all the same.
    QFile empty(home + '/' + app::SingleInstance::lockFileName());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    auto after = start("after", home);
    EXPECT_TRUE(holdsTheFolder(*after));
    EXPECT_TRUE(after->terminate());
}

}  // namespace
