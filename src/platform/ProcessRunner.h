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

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

// Runs a program with an argument list - never through a shell, so no argument can be
// read as shell syntax - and waits at most timeoutMs for it; a program still running then
// is killed.
ProcessResult runProgram(const QString& program, const QStringList& arguments, int timeoutMs);

}  // namespace platform
