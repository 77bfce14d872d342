#include "LxqtWallpaperSetter.h"

#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>

#include "ProgramSequence.h"

namespace rotation {

namespace {

const QString kProgram = QStringLiteral("pcmanfm-qt");

// A desktop setting pcmanfm-qt keeps for the LXQt session's profile, else its default one.
QString desktopSetting(const QString& key) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QString& profile : {QStringLiteral("lxqt"), QStringLiteral("default")}) {
        const QSettings settings(
            config + QStringLiteral("/pcmanfm-qt/%1/settings.conf").arg(profile),
            QSettings::IniFormat);
        const QString value = settings.value(QStringLiteral("Desktop/") + key).toString();
        if (!value.isEmpty()) return value;
    }
    return {};
}

}  // namespace

LxqtWallpaperSetter::LxqtWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString LxqtWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    // Joined to the option with '=', the path is its value even when it starts with '-'.
    change.run(kProgram, {QStringLiteral("--set-wallpaper=") + path});
    return change.problem();
}

QString LxqtWallpaperSetter::applyAcross(const QString& path, QString& keptFit) {
    if (keptFit.isEmpty()) {
        const QString mode = desktopSetting(QStringLiteral("WallpaperMode"));
        if (mode != QLatin1String("stretch")) keptFit = mode;
    }
    ProgramSequence change(run_);
    change.run(kProgram, {QStringLiteral("--set-wallpaper=") + path,
                          QStringLiteral("--wallpaper-mode=stretch")});
    return change.problem();
}

bool LxqtWallpaperSetter::desktopFitsMonitors() const {
    // "Individual wallpaper for each monitor"; without it pcmanfm-qt zooms or stretches one
    // picture over all monitors as one screen, across the seams.
    return desktopSetting(QStringLiteral("PerScreenWallpaper")) == QLatin1String("true");
}

QString LxqtWallpaperSetter::restoreFit(const QString& keptFit) {
    ProgramSequence change(run_);
    change.run(kProgram, {QStringLiteral("--wallpaper-mode=") + keptFit});
    return change.problem();
}

}  // namespace rotation
