#include "SwayWallpaperSetter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <optional>

#include "ProgramSequence.h"
#include "SwayQuoting.h"

namespace rotation {

namespace {

const QString kSwaymsg = QStringLiteral("swaymsg");
const QString kLineBreak =
    QStringLiteral("The image path contains a line break, which a sway command cannot carry.");

// swaymsg prints sway's answer as a JSON array with one object per command; the ones sway
// refused say why in "error".
QString refusals(const QByteArray& reply) {
    QStringList errors;
    for (const QJsonValue command : QJsonDocument::fromJson(reply).array()) {
        const QJsonObject answer = command.toObject();
        if (!answer.value(QStringLiteral("success")).toBool(true))
            errors << answer.value(QStringLiteral("error")).toString();
    }
    errors.removeAll(QString());
    return errors.join(QStringLiteral("; "));
}

// swaymsg reports its own trouble (no sway at the socket) as a log line,
// "00:00:00.000 [ERROR] [common/ipc-client.c:67] Unable to connect to ...", whose
// time and source location mean nothing to the user.
QByteArray withoutLogPrefix(const QByteArray& text) {
    static const QRegularExpression prefix(
        QStringLiteral("^[0-9:.]+ \\[[A-Z]+\\] (\\[[^\\]]*\\] )*"),
        QRegularExpression::MultilineOption);
    return QString::fromLocal8Bit(text).remove(prefix).toLocal8Bit();
}

}  // namespace

SwayWallpaperSetter::SwayWallpaperSetter(ProgramRunner run) : run_(std::move(run)) {}

QString SwayWallpaperSetter::apply(const QString& path) {
    return setBackgrounds({{QStringLiteral("*"), path}});
}

QString SwayWallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    std::vector<std::pair<QString, QString>> backgrounds;
    for (const MonitorPicture& picture : pictures)
        backgrounds.emplace_back(picture.monitor.name, picture.path);
    return setBackgrounds(backgrounds);
}

QString SwayWallpaperSetter::setBackgrounds(
    const std::vector<std::pair<QString, QString>>& backgrounds) {
    // Output names are connector names; anything else would need quoting sway does not undo.
    static const QRegularExpression plainName(QStringLiteral("^([A-Za-z0-9._:+-]+|\\*)$"));
    QStringList arguments;
    for (const auto& [output, path] : backgrounds) {
        if (!plainName.match(output).hasMatch())
            return QStringLiteral("sway names an output \"%1\", which a command cannot carry.")
                .arg(output);
        // sway opens a relative path from its own working folder, not ours.
        const QString absolute =
            QDir::isRelativePath(path) ? QFileInfo(path).absoluteFilePath() : path;
        const std::optional<QString> quoted = swayQuotedPath(absolute);
        if (!quoted) return kLineBreak;
        // sway answers "success" for a file it cannot find and just keeps the old background.
        if (!QFileInfo::exists(absolute))
            return QStringLiteral("The image \"%1\" does not exist.").arg(absolute);
        if (!arguments.isEmpty()) arguments << QStringLiteral(";");
        // "fill" scales to cover the output and crops the overhang, as the X11 setter does.
        arguments << QStringLiteral("output") << output << QStringLiteral("bg") << *quoted
                  << QStringLiteral("fill");
    }

    ProgramSequence change(run_);
    if (change.run(kSwaymsg, arguments)) return {};
    platform::ProcessResult result = change.last();
    if (!result.started || result.timedOut || result.interrupted) return change.problem();
    if (const QString refused = refusals(result.standardOutput); !refused.isEmpty())
        return QStringLiteral("sway refused the background: %1").arg(refused);
    result.standardError = withoutLogPrefix(result.standardError);
    return platform::describeFailure(kSwaymsg, result);
}

}  // namespace rotation
