#include "ProcessRunner.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

#include "TerminationSignals.h"

#ifdef Q_OS_UNIX
#include "SpawnedProgram.h"
#endif

namespace platform {
namespace {

QString firstLine(const QByteArray& text) {
    return QString::fromLocal8Bit(text).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
}

#ifndef Q_OS_UNIX
// How often a wait looks whether the program has been asked to end meanwhile.
constexpr int kTerminationCheckMs = 50;

// Whether the program can be started at all: QProcess keeps one descriptor for every start
// that fails, and a desktop tool that is not installed would fail at every change.
bool canBeStarted(const QString& program) {
    if (!program.contains(QLatin1Char('/')) && !program.contains(QLatin1Char('\\')))
        return !QStandardPaths::findExecutable(program).isEmpty();
    const QFileInfo file(program);
    return file.isFile() && file.isExecutable();
}

ProcessResult runWithQProcess(const QString& program, const QStringList& arguments,
                              const QDeadlineTimer& deadline) {
    ProcessResult result;
    if (!canBeStarted(program)) return result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(qMax<qint64>(1, deadline.remainingTime())))) return result;
    result.started = true;
    // Waited for in short steps: a logout must not wait for a hung desktop service.
    while (!process.waitForFinished(
        int(std::clamp<qint64>(deadline.remainingTime(), 1, kTerminationCheckMs)))) {
        result.interrupted = terminationPending();
        result.timedOut = !result.interrupted && deadline.hasExpired();
        if (result.interrupted || result.timedOut) {
            process.kill();
            process.waitForFinished(1000);
            return result;
        }
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}
#endif

}  // namespace

ProcessResult runProgram(const QString& program, const QStringList& arguments, int timeoutMs) {
    if (terminationPending()) {
        ProcessResult result;
        result.interrupted = true;
        return result;
    }
    const QDeadlineTimer deadline(timeoutMs);
#ifdef Q_OS_UNIX
    return runSpawnedProgram(program, arguments, deadline);
#else
    return runWithQProcess(program, arguments, deadline);
#endif
}

QString describeFailure(const QString& program, const ProcessResult& result) {
    if (result.interrupted) return QStringLiteral("%1 was stopped as Quorvane ended.").arg(program);
    if (!result.started)
        return QStringLiteral("%1 could not be started: is it installed?").arg(program);
    if (result.timedOut) return QStringLiteral("%1 did not answer in time.").arg(program);
    if (result.exitCode == 0) return {};
    QString said = firstLine(result.standardError);
    if (said.isEmpty()) said = firstLine(result.standardOutput);
    const QString ended =
        result.exitCode < 0
            ? QStringLiteral("%1 crashed").arg(program)
            : QStringLiteral("%1 failed (exit status %2)").arg(program).arg(result.exitCode);
    return said.isEmpty() ? ended + QLatin1Char('.') : ended + QStringLiteral(": ") + said;
}

}  // namespace platform
