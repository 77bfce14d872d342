#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#ifdef Q_OS_WIN
#include <QSettings>
#else
#include "DesktopEntryExec.h"
#endif

namespace platform {

namespace {

// Both paths as they will be compared later: absolute and clean, so that "./q" and
// "/opt/q/" written today still match the same program and folder tomorrow.
QString absoluteClean(const QString& path) {
    if (path.isEmpty()) return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

[[noreturn]] void fail(const QString& why) { throw std::runtime_error(why.toStdString()); }

#ifdef Q_OS_WIN

const QString kRunKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kValueName = QStringLiteral("Quorvane");

// Quoted for CommandLineToArgvW: backslashes run before a quote are doubled.
QString windowsQuoted(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
        } else {
            if (c == QLatin1Char('"')) quoted += QString(backslashes + 1, QLatin1Char('\\'));
            backslashes = 0;
        }
        quoted += c;
    }
    return quoted + QString(backslashes, QLatin1Char('\\')) + QLatin1Char('"');
}

QString windowsCommand(const QString& program, const QString& home) {
    QString command = windowsQuoted(QDir::toNativeSeparators(program));
    if (!home.isEmpty())
        command += QStringLiteral(" --home ") + windowsQuoted(QDir::toNativeSeparators(home));
    return command;
}

#else

QString configFolder(const QProcessEnvironment& env) {
    const QString config = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!config.isEmpty() && QDir::isAbsolutePath(config)) return config;
    return QDir(env.value(QStringLiteral("HOME"), QDir::homePath()))
        .filePath(QStringLiteral(".config"));
}

QStringList startArguments(const QString& program, const QString& home) {
    QStringList arguments{program};
    if (!home.isEmpty()) arguments << QStringLiteral("--home") << home;
    return arguments;
}

// The keys of the [Desktop Entry] group, as written (no locale variants).
struct EntryKeys {
    QString exec;
    bool hidden = false;
};

std::optional<EntryKeys> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    EntryKeys keys;
    bool inMainGroup = false;
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || line.startsWith(QLatin1Char('#')) || equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Exec")) keys.exec = unescapeDesktopString(value);
        if (key == QStringLiteral("Hidden")) keys.hidden = value == QStringLiteral("true");
    }
    return keys;
}

QByteArray entryText(const QString& program, const QString& home) {
    QString exec;
    try {
        exec = desktopExecValue(startArguments(program, home));
    } catch (const std::invalid_argument& e) {
        fail(QStringLiteral("The log-in start entry cannot be written: %1")
                 .arg(QString::fromStdString(e.what())));
    }
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Quorvane\n"
               "Comment=Changes the desktop wallpaper on a schedule\n"
               "Icon=quorvane\n"
               "Exec=%1\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(exec)
        .toUtf8();
}

#endif

}  // namespace

Autostart::Autostart(QString program, QString home, QProcessEnvironment env)
    : program_(absoluteClean(program)), home_(absoluteClean(home)), env_(std::move(env)) {}

#ifdef Q_OS_WIN

QString Autostart::location() const { return kRunKey + QStringLiteral("\\") + kValueName; }

QString Autostart::existingCommand() const {
    return QSettings(kRunKey, QSettings::NativeFormat).value(kValueName).toString();
}

AutostartState Autostart::state() const {
    const QString existing = existingCommand();
    if (existing.isEmpty()) return AutostartState::Off;
    return existing.compare(windowsCommand(program_, home_), Qt::CaseInsensitive) == 0
               ? AutostartState::On
               : AutostartState::OtherProgram;
}

void Autostart::enable() const {
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.setValue(kValueName, windowsCommand(program_, home_));
    run.sync();
    if (run.status() != QSettings::NoError)
        fail(QStringLiteral("The log-in start entry cannot be written to %1.").arg(location()));
}

void Autostart::disable() const {
    QSettings run(kRunKey, QSettings::NativeFormat);
    run.remove(kValueName);
    run.sync();
    if (run.status() != QSettings::NoError)
        fail(QStringLiteral("The log-in start entry %1 cannot be removed.").arg(location()));
}

#else

QString Autostart::location() const {
    return QDir(configFolder(env_)).filePath(QStringLiteral("autostart/quorvane.desktop"));
}

QString Autostart::existingCommand() const {
    const std::optional<EntryKeys> entry = readEntry(location());
    return entry && !entry->hidden ? entry->exec : QString();
}

AutostartState Autostart::state() const {
    const std::optional<EntryKeys> entry = readEntry(location());
    // A hidden entry is one the user switched off in their desktop's settings.
    if (!entry || entry->hidden) return AutostartState::Off;
    const std::optional<QStringList> started = splitDesktopCommand(entry->exec);
    if (!started || started->isEmpty()) return AutostartState::OtherProgram;
    QStringList normalised = *started;
    normalised[0] = absoluteClean(normalised[0]);
    if (normalised.size() == 3 && normalised[1] == QStringLiteral("--home"))
        normalised[2] = absoluteClean(normalised[2]);
    return normalised == startArguments(program_, home_) ? AutostartState::On
                                                         : AutostartState::OtherProgram;
}

void Autostart::enable() const {
    const QByteArray text = entryText(program_, home_);
    const QString path = location();
    std::error_code error;
    std::filesystem::create_directories(
        QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(), error);
    if (error)
        fail(QStringLiteral("The folder %1 cannot be made: %2.")
                 .arg(QFileInfo(path).absolutePath(), QString::fromStdString(error.message())));
    // A session that logs in while this is written finds the old entry or the new one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        fail(QStringLiteral("%1 cannot be written: %2.").arg(path, file.errorString()));
}

void Autostart::disable() const {
    const QString path = location();
    std::error_code error;
    std::filesystem::remove(QFile::encodeName(path).toStdString(), error);
    if (error)
        fail(QStringLiteral("%1 cannot be removed: %2.")
                 .arg(path, QString::fromStdString(error.message())));
}

#endif

}  // namespace platform
