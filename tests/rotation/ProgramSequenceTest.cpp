#include "rotation/wallpaper/ProgramSequence.h"
#include "support/QtPrinting.h"

// The programs of one wallpaper change: real programs, one time budget, and no program
// started after one has hung, though time is left (a logout's signal: tests/app).
namespace {

struct SequenceCase {
    const char* name;
    QStringList firstProgram;  // program and arguments
    QString problem;           // empty: success
    bool secondRuns;
};

void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class ChangeBudget : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(ChangeBudget, SaysWhyTheFirstProgramFailedAndStartsNothingAfterOneThatHung) {
    const SequenceCase& c = GetParam();
    std::vector<int> started;  // the time each program was given; it gives up after 1.5 s
    rotation::ProgramSequence change(
        [&](const QString& program, const QStringList& arguments, int timeoutMs) {
            started.push_back(timeoutMs);
            return platform::runProgram(program, arguments, std::min(timeoutMs, 1500));
        },
        3000);
    EXPECT_EQ(change.run(c.firstProgram.first(), c.firstProgram.mid(1)), c.problem.isEmpty());
    EXPECT_EQ(change.problem(), c.problem);
    change.run("true", {});
    ASSERT_EQ(started.size(), c.secondRuns ? 2u : 1u);
    EXPECT_LE(started[0], 3000);
    EXPECT_TRUE(!c.secondRuns || started[1] <= started[0]) << "what is left";
    // Nothing of a failed or missing program stays: changes repeat as long as Quorvane runs.
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

}  // namespace
