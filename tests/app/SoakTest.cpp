#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <optional>

#include "ProgramLaunch.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using testing_support::fileBytes;

// What the running program holds, read from /proc as an outside observer would.
struct Holdings {
    QStringList descriptors;
    int threads = 0;
    qint64 residentKiB = 0;
};

Holdings holdingsOf(qint64 pid) {
    Holdings h;
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    const QDir fds(proc + "fd");
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        h.descriptors << fd + " -> " + QFile::symLinkTarget(fds.filePath(fd));
    for (const QByteArray& line : fileBytes(proc + "status").split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2) continue;
        if (words[0] == "Threads:") h.threads = words[1].toInt();
        if (words[0] == "VmRSS:") h.residentKiB = words[1].toLongLong();
    }
    return h;
}

// A wallpaper command that notes every call and fails until the file "works" exists; one
// process per change, so that the changes come fast.
QByteArray commandIn(const testing_support::TempFolder& folder) {
    return "#!/bin/sh\n"
           "echo >> '" +
           folder.filePath("calls.txt").toLocal8Bit() +
           "'\n"
           "[ -e '" +
           folder.filePath("works").toLocal8Bit() + "' ] || exit 3\n";
}

// Many wallpaper changes in a row, failing and then working, through the real program at a
// very short tick: whatever each change costs must be given back.
class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        const QString command =
            program_launch::writeScript(folder, "command.sh", commandIn(folder));
        testing_support::writeStore(folder.filePath("ZARN.DAT"),
                                    {{folder.filePath("a.bmp"), "a", "0", std::nullopt},
                                     {folder.filePath("b.bmp"), "b", "0", std::nullopt}});
        process.setProcessEnvironment(program_launch::offscreenEnvironment(command));
        process.setProgram(QUORVANE_EXECUTABLE);
        process.setArguments(
            {"--home", folder.path(), "--tick-ms", "1", "--wallpaper-backend", "command"});
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }
    void TearDown() override { program_launch::endAndExpectCleanExit(process); }
    int calls() const { return int(fileBytes(folder.filePath("calls.txt")).count('\n')); }
    // Waits, as a guard against a hang and not as a measurement, for `n` more changes.
    void changes(int n) {
        const int until = calls() + n;
        program_launch::waitFor(
            [&] { return calls() >= until || process.state() != QProcess::Running; }, 60000);
        ASSERT_GE(calls(), until) << "the rotation stopped";
    }
    // A change in progress holds its pipes for a few milliseconds, so the program is looked
    // at stopped, between changes (no child running), and of several looks the one with the
    // fewest descriptors counts.
    Holdings settled() const {
        const pid_t pid = pid_t(process.processId());
        std::optional<Holdings> fewest;
        for (int look = 0; look < 2000 && !(fewest && look >= 20); ++look) {
            ::kill(pid, SIGSTOP);
            waitUntilStopped(pid);
            if (!hasChildren(pid)) {
                const Holdings h = holdingsOf(pid);
                if (!fewest || h.descriptors.size() < fewest->descriptors.size()) fewest = h;
            }
            ::kill(pid, SIGCONT);
            QThread::usleep(300);
        }
        EXPECT_TRUE(fewest.has_value()) << "never found the program between changes";
        return fewest.value_or(Holdings{});
    }
    static void waitUntilStopped(pid_t pid) {
        for (int i = 0; i < 1000; ++i) {
            const QByteArray stat = fileBytes(QStringLiteral("/proc/%1/stat").arg(pid));
            const qsizetype end = stat.lastIndexOf(')');
            if (end > 0 && stat.mid(end + 2, 1) == "T") return;
            QThread::usleep(100);
        }
    }
    static bool hasChildren(pid_t pid) {
        const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (!fileBytes(tasks.filePath(task + "/children")).trimmed().isEmpty()) return true;
        return false;
    }

    testing_support::TempFolder folder;
    QProcess process;
};

TEST_F(Soak, AThousandFailingChangesThenAThousandWorkingOnesHoldNothingMore) {
    changes(100);  // what the first changes set up for good (fonts, buffers) is in place
    const Holdings warm = settled();
    changes(1000);
    const Holdings failing = settled();
    folder.write("works", "");
    changes(1000);
    const Holdings working = settled();

    for (const Holdings& after : {failing, working}) {
        EXPECT_EQ(after.descriptors.size(), warm.descriptors.size())
            << "before: " << warm.descriptors.join(", ").toStdString()
            << "\nafter: " << after.descriptors.join(", ").toStdString();
        EXPECT_EQ(after.threads, warm.threads);
        // A leak of a kilobyte per change would show as a megabyte here; the allocator may
        // keep a little more of what it was given back.
        EXPECT_LT(after.residentKiB - warm.residentKiB, 1024)
            << "resident memory grew from " << warm.residentKiB << " KiB to " << after.residentKiB
            << " KiB";
    }
}

}  // namespace
