#include "XfceWallpaperSetter.h"

namespace rotation {

namespace {

const QString kChannel = QStringLiteral("xfce4-desktop");
const QString kDefaultProperty = QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");

}  // namespace

XfceWallpaperSetter::XfceWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

void XfceWallpaperSetter::apply(const QString& path) {
    const QString program = QStringLiteral("xfconf-query");
    const platform::ProcessResult listing =
        run_(program, {QStringLiteral("-c"), kChannel, QStringLiteral("-l")},
             kWallpaperProgramTimeoutMs);
    if (!listing.succeeded()) return;

    bool setAny = false;
    for (const QByteArray& line : listing.standardOutput.split('\n')) {
        const QString property = QString::fromUtf8(line).trimmed();
        if (!property.endsWith(QStringLiteral("/last-image"))) continue;
        run_(program,
             {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property, QStringLiteral("-s"),
              path},
             kWallpaperProgramTimeoutMs);
        setAny = true;
    }
    if (setAny) return;
    run_(program,
         {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), kDefaultProperty,
          QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
          QStringLiteral("-s"), path},
         kWallpaperProgramTimeoutMs);
}

}  // namespace rotation
