#include "XfceWallpaperSetter.h"

#include "ProgramSequence.h"

namespace rotation {

namespace {

const QString kChannel = QStringLiteral("xfce4-desktop");
const QString kDefaultProperty = QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");

}  // namespace

XfceWallpaperSetter::XfceWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString XfceWallpaperSetter::apply(const QString& path) {
    const QString program = QStringLiteral("xfconf-query");
    ProgramSequence change(run_);
    if (!change.run(program, {QStringLiteral("-c"), kChannel, QStringLiteral("-l")}))
        return change.problem();
    const QByteArray listing = change.last().standardOutput;

    bool setAny = false;
    for (const QByteArray& line : listing.split('\n')) {
        const QString property = QString::fromUtf8(line).trimmed();
        if (!property.endsWith(QStringLiteral("/last-image"))) continue;
        change.run(program, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property,
                             QStringLiteral("-s"), path});
        setAny = true;
    }
    if (!setAny)
        change.run(program, {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), kDefaultProperty,
                             QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                             QStringLiteral("-s"), path});
    return change.problem();
}

}  // namespace rotation
