#include "CommandLine.h"

#include <QCommandLineParser>

#include "rotation/Scheduler.h"
#include "rotation/wallpaper/WallpaperBackends.h"

namespace app {

namespace {

const QCommandLineOption kHome(QStringLiteral("home"), QString(), QStringLiteral("DIR"));
const QCommandLineOption kTick(QStringLiteral("tick-ms"), QString(), QStringLiteral("N"));
const QCommandLineOption kBackend(QStringLiteral("wallpaper-backend"), QString(),
                                  QStringLiteral("NAME"));
const QCommandLineOption kAutostart(QStringLiteral("autostart"), QString(),
                                    QStringLiteral("on|off|status"));
const QCommandLineOption kMonitors(QStringLiteral("monitors"), QString(),
                                   QStringLiteral("same|each|span|status"));
const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")}, QString());
const QCommandLineOption kVersion({QStringLiteral("v"), QStringLiteral("version")}, QString());

void addOptions(QCommandLineParser& parser) {
    parser.addOptions({kHome, kTick, kBackend, kAutostart, kMonitors, kHelp, kVersion});
}

}  // namespace

StartupOptions parseCommandLine(const QStringList& arguments, const QProcessEnvironment& env) {
    StartupOptions options;
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("quorvane")} + arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument: %1")
                            .arg(parser.positionalArguments().constFirst());
        return options;
    }
    options.showHelp = parser.isSet(kHelp);
    options.showVersion = parser.isSet(kVersion);

    options.autostart = parser.value(kAutostart);
    if (parser.isSet(kAutostart) &&
        !QStringList{"on", "off", "status"}.contains(options.autostart)) {
        options.error = QStringLiteral("--autostart takes on, off or status, not \"%1\".")
                            .arg(options.autostart);
        return options;
    }

    options.monitors = parser.value(kMonitors);
    if (parser.isSet(kMonitors) &&
        !QStringList{"same", "each", "span", "status"}.contains(options.monitors)) {
        options.error = QStringLiteral("--monitors takes same, each, span or status, not \"%1\".")
                            .arg(options.monitors);
        return options;
    }
    if (parser.isSet(kMonitors) && parser.isSet(kAutostart)) {
        options.error = QStringLiteral("--monitors and --autostart are separate runs.");
        return options;
    }

    options.home =
        parser.isSet(kHome) ? parser.value(kHome) : env.value(QStringLiteral("QUORVANE_HOME"));
    if (parser.isSet(kHome) && options.home.isEmpty()) {
        options.error = QStringLiteral("--home needs a folder.");
        return options;
    }

    const QString tick =
        parser.isSet(kTick) ? parser.value(kTick) : env.value(QStringLiteral("QUORVANE_TICK_MS"));
    options.tickMs = rotation::kDefaultTickMs;
    if (!tick.isEmpty()) {
        bool ok = false;
        const int value = tick.trimmed().toInt(&ok);
        if (!ok || value < 1) {
            options.error =
                QStringLiteral(
                    "The tick must be a whole number of milliseconds above 0, not \"%1\".")
                    .arg(tick);
            return options;
        }
        options.tickMs = value;
    }

    options.wallpaperBackend = parser.isSet(kBackend)
                                   ? parser.value(kBackend)
                                   : env.value(QStringLiteral("QUORVANE_WALLPAPER"));
    options.wallpaperBackend = options.wallpaperBackend.trimmed().toLower();
    if (!options.wallpaperBackend.isEmpty() &&
        !rotation::wallpaperBackendNames().contains(options.wallpaperBackend)) {
        options.error = QStringLiteral("Unknown wallpaper backend \"%1\". Known backends: %2.")
                            .arg(options.wallpaperBackend,
                                 rotation::wallpaperBackendNames().join(QStringLiteral(", ")));
    }
    return options;
}

QString helpText() {
    // Written out rather than taken from the parser, which needs an application object.
    return QStringLiteral(
               "Usage: quorvane [options]\n"
               "Changes the desktop wallpaper on a schedule from a show list of images.\n"
               "\n"
               "Options:\n"
               "  --home DIR                keep the show list and its bitmaps in DIR\n"
               "  --tick-ms N               length of one rotation tick in ms (default 60006)\n"
               "  --wallpaper-backend NAME  set the wallpaper through NAME, one of:\n"
               "                            %1\n"
               "  --autostart on|off|status start Quorvane when you log in (with this --home),\n"
               "                            stop doing so, or show whether it does; then exit\n"
               "  --monitors same|each|span|status\n"
               "                            with several monitors, show the wallpaper on each,\n"
               "                            a different picture on each, or one picture across\n"
               "                            all; or show which; then exit\n"
               "  -h, --help                show this help and exit\n"
               "  -v, --version             show the version and exit\n"
               "\n"
               "Environment:\n"
               "  QUORVANE_HOME             as --home\n"
               "  QUORVANE_TICK_MS          as --tick-ms\n"
               "  QUORVANE_WALLPAPER        as --wallpaper-backend\n"
               "  QUORVANE_WALLPAPER_CMD    program and arguments of the 'command' backend;\n"
               "                            %f stands for the image path\n")
        .arg(rotation::wallpaperBackendNames().join(QStringLiteral(", ")));
}

QString versionText() {
    return QStringLiteral("quorvane %1\n").arg(QStringLiteral(QUORVANE_VERSION));
}

}  // namespace app
