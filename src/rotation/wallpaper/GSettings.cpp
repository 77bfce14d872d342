#include "GSettings.h"

#include <QFileInfo>
#include <QUrl>

namespace rotation {

QString gvariantStringLiteral(const QString& text) {
    QString literal = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\'')) {
            literal += QLatin1Char('\\');
            literal += c;
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            // Raw control characters would survive the parser, but an escape keeps the
            // command line readable in logs and process lists.
            literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            literal += c;
        }
    }
    literal += QLatin1Char('\'');
    return literal;
}

QString fileUri(const QString& path) {
    QString absolute = QFileInfo(path).absoluteFilePath();
    // A drive path (C:/...) needs the slash of an empty authority before it.
    if (!absolute.startsWith(QLatin1Char('/'))) absolute.prepend(QLatin1Char('/'));
    // Stricter than QUrl's FullyEncoded, which keeps sub-delimiters such as ' ; $ [ ] raw:
    // a URI of letters, digits, "-._~/" and %XX reads the same to every consumer.
    return QStringLiteral("file://") +
           QString::fromLatin1(QUrl::toPercentEncoding(absolute, QByteArrayLiteral("/")));
}

bool setGSettingsKey(ProgramSequence& change, const QString& schema, const QString& key,
                     const QString& value) {
    return change.run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value});
}

}  // namespace rotation
