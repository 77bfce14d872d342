#include "XfceWallpaperSetter.h"

#include "ProgramSequence.h"

namespace rotation {

namespace {

const QString kProgram = QStringLiteral("xfconf-query");
const QString kChannel = QStringLiteral("xfce4-desktop");
const QString kDefaultProperty = QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");

QStringList lastImageProperties(ProgramSequence& change) {
    QStringList properties;
    if (!change.run(kProgram, {QStringLiteral("-c"), kChannel, QStringLiteral("-l")}))
        return properties;
    for (const QByteArray& line : change.last().standardOutput.split('\n')) {
        const QString property = QString::fromUtf8(line).trimmed();
        if (property.endsWith(QStringLiteral("/last-image"))) properties << property;
    }
    return properties;
}

void setProperty(ProgramSequence& change, const QString& property, const QString& path) {
    change.run(kProgram, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property,
                          QStringLiteral("-s"), path});
}

void createProperty(ProgramSequence& change, const QString& property, const QString& path) {
    change.run(kProgram, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property,
                          QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                          QStringLiteral("-s"), path});
}

}  // namespace

XfceWallpaperSetter::XfceWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString XfceWallpaperSetter::apply(const QString& path) {
    ProgramSequence change(run_);
    const QStringList properties = lastImageProperties(change);
    if (!change.problem().isEmpty()) return change.problem();
    for (const QString& property : properties) setProperty(change, property, path);
    if (properties.isEmpty()) createProperty(change, kDefaultProperty, path);
    return change.problem();
}

QString XfceWallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    ProgramSequence change(run_);
    const QStringList properties = lastImageProperties(change);
    if (!change.problem().isEmpty()) return change.problem();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        // xfdesktop names a monitor by its connector, or by its number where it has none.
        const QString& name = pictures[i].monitor.name;
        const QString monitor =
            QStringLiteral("/monitor%1/").arg(name.isEmpty() ? QString::number(i) : name);
        bool found = false;
        for (const QString& property : properties) {
            if (!property.contains(monitor)) continue;
            setProperty(change, property, pictures[i].path);
            found = true;
        }
        if (!found)
            createProperty(change,
                           QStringLiteral("/backdrop/screen0%1workspace0/last-image").arg(monitor),
                           pictures[i].path);
    }
    return change.problem();
}

}  // namespace rotation
