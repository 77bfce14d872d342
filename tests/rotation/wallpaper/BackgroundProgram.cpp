#include "BackgroundProgram.h"

#include <QFile>

namespace wallpaper_test {

namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

BackgroundProgram::BackgroundProgram(const QString& program, const QStringList& arguments,
                                     const QString& logBase)
    : program_(program), logBase_(logBase) {
    process_.setStandardOutputFile(logBase + QStringLiteral(".out"));
    process_.setStandardErrorFile(logBase + QStringLiteral(".err"));
    process_.start(program, arguments);
    process_.waitForStarted();
}

BackgroundProgram::~BackgroundProgram() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool BackgroundProgram::running() const { return process_.state() == QProcess::Running; }

QString BackgroundProgram::firstOutputLine() const {
    const QByteArray output = fileText(logBase_ + QStringLiteral(".out"));
    const qsizetype end = output.indexOf('\n');
    return end < 0 ? QString() : QString::fromUtf8(output.left(end)).trimmed();
}

QString BackgroundProgram::report() const {
    constexpr qsizetype kTail = 4000;
    const QByteArray printed =
        fileText(logBase_ + QStringLiteral(".err")) + fileText(logBase_ + QStringLiteral(".out"));
    QString state = running() ? QStringLiteral("is running")
                    : process_.error() == QProcess::FailedToStart
                        ? QStringLiteral("could not be started")
                        : QStringLiteral("ended with status %1").arg(process_.exitCode());
    return QStringLiteral("%1 %2; it printed:\n%3")
        .arg(program_, state, QString::fromUtf8(printed.right(kTail)));
}

}  // namespace wallpaper_test
