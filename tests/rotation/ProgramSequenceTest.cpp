#include <unistd.h>
#include <csignal>
#include <thread>

#include "platform/TerminationSignals.h"
#include "rotation/wallpaper/ProgramSequence.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// The programs of one wallpaper change: real programs, one time budget, no program started
// after one has hung, and nothing waited for once Quorvane is asked to end.
namespace {

struct SequenceCase {
    const char* name;
    QStringList firstProgram;  // program and arguments
    QString problem;           // empty: success
    bool secondRuns;
};

void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class ChangeBudget : public ::testing::TestWithParam<SequenceCase> {
protected:
    // The real runner, remembering the time it was given for each program it started.
    rotation::ProgramRunner recordingRealRunner() {
        return [this](const QString& program, const QStringList& arguments, int timeoutMs) {
            started.push_back(timeoutMs);
            return platform::runProgram(program, arguments, timeoutMs);
        };
    }
    std::vector<int> started;
};

TEST_P(ChangeBudget, SaysWhyTheFirstProgramFailedAndStartsNothingAfterOneThatHung) {
    const SequenceCase& c = GetParam();
    rotation::ProgramSequence change(recordingRealRunner(), 700);
    EXPECT_EQ(change.run(c.firstProgram.first(), c.firstProgram.mid(1)), c.problem.isEmpty());
    EXPECT_EQ(change.problem(), c.problem);
    change.run("true", {});
    ASSERT_EQ(started.size(), c.secondRuns ? 2u : 1u);
    EXPECT_LE(started[0], 700);
    EXPECT_TRUE(!c.secondRuns || started[1] <= started[0]) << "what is left";
    // Nothing of a failed or missing program stays: changes repeat for as long as Quorvane runs.
    const auto descriptors = QDir("/proc/self/fd").count();
    for (int i = 0; i < 20; ++i)
        platform::runProgram(c.firstProgram.first(), c.firstProgram.mid(1), 100);
    EXPECT_EQ(QDir("/proc/self/fd").count(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    , ChangeBudget,
    ::testing::Values(
        SequenceCase{"succeeds", {"true"}, "", true},
        SequenceCase{"exits_non_zero",
                     {"sh", "-c", "echo 'No such key \u201cpicture-uri\u201d' >&2; exit 1"},
                     "sh failed (exit status 1): No such key \u201cpicture-uri\u201d",
                     true},
        SequenceCase{"missing",
                     {"/nonexistent/gsettings"},
                     "/nonexistent/gsettings could not be started: is it installed?",
                     false},
        SequenceCase{"hangs", {"sleep", "30"}, "sleep did not answer in time.", false},
        SequenceCase{"not_executable",
                     {"/etc/passwd"},
                     "/etc/passwd could not be started: is it installed?",
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

// The signal comes from elsewhere once the hung program runs, as a logout's would.
TEST_F(ChangeBudget, ASignalToEndStopsTheHungProgramAndStartsNoOther) {
    testing_support::TempFolder folder;
    const QString pidFile = folder.filePath("pid");
    platform::TerminationSignals termination;
    rotation::ProgramSequence change(recordingRealRunner(), 60000);
    std::thread logout([&] {
        while (testing_support::fileBytes(pidFile).isEmpty()) QThread::msleep(10);
        ::kill(::getpid(), SIGTERM);
    });
    EXPECT_FALSE(change.run("sh", {"-c", "echo $$ > '" + pidFile + "'; exec sleep 60"}));
    logout.join();
    EXPECT_TRUE(change.last().interrupted);
    EXPECT_NE(::kill(pid_t(testing_support::fileBytes(pidFile).trimmed().toLongLong()), 0), 0)
        << "left running";
    EXPECT_EQ(change.problem(), "sh was stopped as Quorvane ended.");
    change.run("true", {});
    EXPECT_EQ(started.size(), 1u);
}

}  // namespace
