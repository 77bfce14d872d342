#include "JavaScriptString.h"

namespace rotation {

QString javaScriptStringLiteral(const QString& text) {
    QString literal = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
            case u'"':
                literal += QStringLiteral("\\\"");
                break;
            case u'\\':
                literal += QStringLiteral("\\\\");
                break;
            case u'\n':
                literal += QStringLiteral("\\n");
                break;
            case u'\r':
                literal += QStringLiteral("\\r");
                break;
            case u'\t':
                literal += QStringLiteral("\\t");
                break;
            default:
                if (u < 0x20 || u >= 0x7f)
                    literal += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
                else
                    literal += c;
        }
    }
    literal += QLatin1Char('"');
    return literal;
}

}  // namespace rotation
