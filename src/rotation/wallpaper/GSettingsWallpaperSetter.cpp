#include "GSettingsWallpaperSetter.h"

#include "GSettings.h"

namespace rotation {

namespace {

const QString kOptions = QStringLiteral("picture-options");
const QString kSpanned = QStringLiteral("spanned");

}  // namespace

GSettingsWallpaperSetter::GSettingsWallpaperSetter(QString schema, ProgramRunner run)
    : schema_(std::move(schema)), run_(std::move(run)) {}

QString GSettingsWallpaperSetter::applyAcross(const QString& path, QString& keptFit) {
    ProgramSequence change(run_);
    if (keptFit.isEmpty()) {
        if (!change.run(QStringLiteral("gsettings"), {QStringLiteral("get"), schema_, kOptions}))
            return change.problem();
        // An enumeration's value comes back as a quoted nick: 'zoom'.
        QString current = QString::fromUtf8(change.last().standardOutput).trimmed();
        if (current.size() >= 2 && current.startsWith(QLatin1Char('\'')) &&
            current.endsWith(QLatin1Char('\'')))
            current = current.mid(1, current.size() - 2);
        if (current != kSpanned) keptFit = current;
    }
    if (!setGSettingsKey(change, schema_, kOptions, gvariantStringLiteral(kSpanned)))
        return change.problem();
    return apply(path);
}

QString GSettingsWallpaperSetter::restoreFit(const QString& keptFit) {
    ProgramSequence change(run_);
    setGSettingsKey(change, schema_, kOptions, gvariantStringLiteral(keptFit));
    return change.problem();
}

}  // namespace rotation
