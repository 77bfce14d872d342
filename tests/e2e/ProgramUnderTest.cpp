#include "e2e/ProgramUnderTest.h"

#include <QDir>
#include <QFile>

#include "e2e/DesktopSession.h"

namespace e2e {

ProgramUnderTest::ProgramUnderTest(DesktopSession& desktop, QString folder)
    : desktop_(desktop), folder_(std::move(folder)) {
    QDir().mkpath(programFolder());
}

ProgramUnderTest::~ProgramUnderTest() { endProcess(process_); }

QString ProgramUnderTest::programFolder() const { return folder_ + QStringLiteral("/program"); }

QString ProgramUnderTest::storePath() const {
    return programFolder() + QStringLiteral("/ZARN.DAT");
}

bool ProgramUnderTest::start(double scaleFactor) {
    const QString recorder = folder_ + QStringLiteral("/record.sh");
    QFile script(recorder);
    if (!script.open(QIODevice::WriteOnly)) return false;
    script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n");
    script.close();
    QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment env = desktop_.environment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QUORVANE_WALLPAPER_CMD", '"' + recorder + "\" %f");
    if (scaleFactor != 1.0) env.insert("QT_SCALE_FACTOR", QString::number(scaleFactor));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    tieToTest(process_);
    process_.start(QStringLiteral(QUORVANE_EXECUTABLE),
                   {"--home", programFolder(), "--wallpaper-backend", "command", "--tick-ms",
                    QString::number(tickMs_)});
    return process_.waitForStarted(kDeadlineMs);
}

QStringList ProgramUnderTest::applied() const {
    QFile file(folder_ + QStringLiteral("/applied.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool ProgramUnderTest::waitForExit(int timeoutMs) {
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeoutMs);
}

}  // namespace e2e
