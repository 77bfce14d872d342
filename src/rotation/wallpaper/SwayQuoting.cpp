#include "SwayQuoting.h"

namespace rotation {

namespace {

bool standsForItself(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0x80) return true;
    if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
        return true;
    return QStringView(u"/._-+,:@%=").contains(c);
}

}  // namespace

std::optional<QString> swayQuotedPath(const QString& path) {
    if (path.contains(QLatin1Char('\n'))) return std::nullopt;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (standsForItself(c)) {
            quoted += c;
            continue;
        }
        if (c == u'$' && quoted.endsWith(QLatin1Char('\\'))) quoted += QStringLiteral("''");
        quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

}  // namespace rotation
