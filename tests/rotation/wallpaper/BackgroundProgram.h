#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace wallpaper_test {

// A desktop component a test runs alongside itself (a bus, a settings daemon, a desktop). What
// it prints goes to files, so a chatty program never blocks on a full pipe and a failing test
// can show its log. It is ended when the object goes.
class BackgroundProgram {
public:
    // Starts program in the current environment; logBase + ".out" and ".err" get its output.
    BackgroundProgram(const QString& program, const QStringList& arguments, const QString& logBase);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool running() const;
    // The first line it wrote to its standard output (an address, a display number); empty
    // while there is none.
    QString firstOutputLine() const;
    // Its name, whether it still runs, and the end of what it printed, for failure messages.
    QString report() const;

private:
    QString program_;
    QString logBase_;
    QProcess process_;
};

}  // namespace wallpaper_test
