#include "Program.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSessionManager>
#include <cstdio>

#include "AutostartCommand.h"
#include "CommandLine.h"
#include "MonitorsCommand.h"
#include "SingleInstance.h"
#include "basMain.h"
#include "editor/Zarn.h"
#include "frmTray.h"
#include "platform/Autostart.h"
#include "platform/ProgramFolder.h"
#include "platform/QtDesktop.h"
#include "platform/QtPrompter.h"
#include "platform/TerminationSignals.h"
#include "platform/monitors/MonitorSource.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/Scheduler.h"
#include "rotation/WallpaperSetter.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "showlist/MonitorSettings.h"
#include "showlist/StoreFile.h"

namespace app {

namespace {

int printAndExit(const QString& text, FILE* stream, int code) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    return code;
}

// What a later start asks of this copy: what a double click on the icon does, or, with the
// program already in view, its window brought to the front.
void bringUp(frmTray& tray) {
    if (tray.hookInstalled()) {
        emit tray.trayIcon().doubleClicked();
        return;
    }
    QWidget& window = tray.toolbox() ? static_cast<QWidget&>(*tray.toolbox()) : tray;
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

}  // namespace

int runQuorvane(int argc, char** argv) {
    platform::endQuietlyOnTerminationUntilWatched();
    // Arguments are read before any window system is touched, so --help and --version work
    // without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const StartupOptions options = parseCommandLine(arguments, env);
    if (options.showHelp) return printAndExit(helpText(), stdout, 0);
    if (options.showVersion) return printAndExit(versionText(), stdout, 0);
    if (!options.error.isEmpty())
        return printAndExit(options.error + QStringLiteral("\n\n") + helpText(), stderr, 2);
    // The log-in entry and the monitors' choice need neither a display nor the rotation.
    if (!options.autostart.isEmpty())
        return runAutostartCommand(options.autostart, executablePath(argv[0], env), options.home,
                                   env);
    if (!options.monitors.isEmpty())
        return runMonitorsCommand(
            options.monitors,
            platform::resolveProgramFolder(options.home, env,
                                           QFileInfo(executablePath(argv[0], env)).absolutePath()));

    // A backend that cannot work is the real problem; said before Qt looks for a display,
    // which it may not find.
    const QString backendProblem = rotation::wallpaperBackendProblem(options.wallpaperBackend, env);
    if (!backendProblem.isEmpty())
        return printAndExit(backendProblem + QStringLiteral("\n"), stderr, 2);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane"));
    // No display name: Qt would append it to every window title, and the program's windows
    // and questions carry exactly the titles they are given.
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quorvane"));
    // The program lives on in the notification area with no window open.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder =
        platform::resolveProgramFolder(options.home, env, QApplication::applicationDirPath());
    // Before the store or the wallpaper is touched: a second copy on the folder only brings
    // the running one up.
    SingleInstance instance(programFolder);
    switch (instance.start()) {
        case SingleInstance::Start::Run:
            break;
        case SingleInstance::Start::HandedOver:
            return 0;
        case SingleInstance::Start::OtherNotAnswering:
            return printAndExit(
                QStringLiteral("quorvane: another copy runs in %1 and does not answer.\n")
                    .arg(programFolder),
                stderr, 0);
    }

    const std::unique_ptr<rotation::WallpaperSetter> wallpaper =
        rotation::makeWallpaperSetter(options.wallpaperBackend, env);
    const std::unique_ptr<platform::MonitorSource> monitors =
        rotation::makeMonitorSource(options.wallpaperBackend, env);
    rotation::MonitorWallpaper monitorWallpaper(
        *wallpaper, *monitors, showlist::MonitorSettings(showlist::storeFilePath(programFolder)),
        programFolder);

    platform::QtPrompter prompter;
    platform::QtDesktop desktop(programFolder, QApplication::applicationDirPath(), prompter);

    const platform::Autostart autostart(QCoreApplication::applicationFilePath(), options.home, env);

    frmTray tray({prompter, desktop, monitorWallpaper, options.tickMs, detectTrayMode(),
                  [] { QCoreApplication::exit(0); },
                  rotation::wallpaperBackendName(options.wallpaperBackend, env), &autostart,
                  &monitorWallpaper});
    QObject::connect(&instance, &SingleInstance::showRequested, &tray, [&tray] { bringUp(tray); });

    // A logout, a kill or the end of the session records the wallpaper like "Exit" does.
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &tray,
                     [&tray] {
                         tray.Form_Unload();
                         QCoreApplication::exit(0);
                     });
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &tray,
                     [&tray](QSessionManager&) { tray.Form_Unload(); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &tray,
                     [&tray] { tray.Form_Unload(); });

    Main(tray);
    monitorWallpaper.setShowing(tray.rotation().ShowingWallPaper);
    return QApplication::exec();
}

}  // namespace app
