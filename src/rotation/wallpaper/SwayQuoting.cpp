#include "SwayQuoting.h"

namespace rotation {

namespace {

bool expandsToItself(QChar c) {
    if (c.unicode() >= 0x80) return true;
    if (c.isLetterOrNumber()) return true;
    return QStringView(u"/._-+,:@%=").contains(c);
}

// Every other character gets a backslash, which wordexp() removes. A newline is the one
// character a backslash would swallow (line continuation), so it goes in single quotes.
QString shellWord(const QString& path) {
    QString word;
    for (const QChar c : path) {
        if (c == QLatin1Char('\n')) {
            word += QStringLiteral("'\n'");
        } else {
            if (!expandsToItself(c)) word += QLatin1Char('\\');
            word += c;
        }
    }
    return word;
}

}  // namespace

QString swayQuotedPath(const QString& path) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : shellWord(path)) {
        switch (c.unicode()) {
            case u'\\':
                quoted += QStringLiteral("\\\\");
                break;
            case u'"':
                quoted += QStringLiteral("\\\"");
                break;
            case u'$':
                quoted += QStringLiteral("\\x24");
                break;
            case u'\n':
                quoted += QStringLiteral("\\n");
                break;
            default:
                quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

}  // namespace rotation
