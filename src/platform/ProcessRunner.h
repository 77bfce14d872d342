#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
    // Cut short because this program was asked to end (SIGTERM and the like).
    bool interrupted = false;

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

// Runs a program with an argument list - never through a shell, so no argument can be
// read as shell syntax - and waits at most timeoutMs for it; a program still running then
// is killed, and so is one still running when this program is asked to end.
ProcessResult runProgram(const QString& program, const QStringList& arguments, int timeoutMs);

// Why a program did not do its job, as a sentence for the user; empty when it succeeded.
QString describeFailure(const QString& program, const ProcessResult& result);

}  // namespace platform
