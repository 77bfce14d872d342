#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace app {

// What the command line and the environment ask of this run.
struct StartupOptions {
    QString home;              // program folder override; empty = the usual rule
    int tickMs = 0;            // rotation tick in milliseconds
    QString wallpaperBackend;  // backend name; empty = chosen from the session
    bool showHelp = false;
    bool showVersion = false;
    // "on", "off" or "status": the run only deals with the log-in start entry
    QString autostart;
    // "same", "each", "span" or "status": the run only sets or tells what the monitors show
    QString monitors;
    QString error;  // set when the arguments cannot be used; the program then exits with 2
};

// Reads the arguments (without the program name), falling back on QUORVANE_HOME,
// QUORVANE_TICK_MS and QUORVANE_WALLPAPER; command-line values win.
StartupOptions parseCommandLine(const QStringList& arguments, const QProcessEnvironment& env);

QString helpText();
QString versionText();

}  // namespace app
