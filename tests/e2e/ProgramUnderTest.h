#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace e2e {

class DesktopSession;

// The real program on the test's desktop, with a program folder of its own and every
// wallpaper it sets going to a script that records the path.
class ProgramUnderTest {
public:
    ProgramUnderTest(DesktopSession& desktop, QString folder);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    // Starts it with Qt's scale factor (1: none); false with errorString() when it failed.
    bool start(double scaleFactor);
    // The rotation tick it is started with; far longer than any test unless set.
    void setTickMs(int ms) { tickMs_ = ms; }
    QString errorString() const { return process_.errorString(); }
    qint64 pid() const { return process_.processId(); }

    QString programFolder() const;  // --home: the store and the wallpaper bitmaps
    QString storePath() const;
    // Every path the wallpaper command was given, in order.
    QStringList applied() const;

    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    bool waitForExit(int timeoutMs);
    bool endedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }
    int exitCode() const { return process_.exitCode(); }

private:
    DesktopSession& desktop_;
    QString folder_;
    QProcess process_;
    int tickMs_ = 600000;
};

}  // namespace e2e
