#include "Decoders.h"

#include <wordexp.h>
#include <QByteArray>
#include <QRegularExpression>
#include <cctype>
#include <string>
#include <vector>

namespace wallpaper_test {

std::optional<QString> readGVariantString(const QString& literal) {
    if (literal.size() < 2) return std::nullopt;
    const QChar quote = literal.front();
    if ((quote != QLatin1Char('\'') && quote != QLatin1Char('"')) || literal.back() != quote)
        return std::nullopt;
    QString text;
    for (qsizetype i = 1; i < literal.size() - 1; ++i) {
        QChar c = literal[i];
        if (c == quote) return std::nullopt;  // the literal would end early
        if (c != QLatin1Char('\\')) {
            text += c;
            continue;
        }
        if (++i >= literal.size() - 1) return std::nullopt;
        c = literal[i];
        const int digits = c == QLatin1Char('u') ? 4 : c == QLatin1Char('U') ? 8 : 0;
        if (digits) {
            bool ok = false;
            const char32_t code = literal.mid(i + 1, digits).toUInt(&ok, 16);
            if (!ok) return std::nullopt;
            text += QString::fromUcs4(&code, 1);
            i += digits;
            continue;
        }
        static const QString plain = QStringLiteral("abfnrtv");
        static const QString control = QStringLiteral("\a\b\f\n\r\t\v");
        const qsizetype index = plain.indexOf(c);
        text += index >= 0 ? control[index] : c;
    }
    return text;
}

std::optional<QString> readFileUri(const QString& uri) {
    static const QRegularExpression encoded(QStringLiteral("^file://(/[A-Za-z0-9._~/%-]*)$"));
    const QRegularExpressionMatch match = encoded.match(uri);
    if (!match.hasMatch()) return std::nullopt;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(match.captured(1).toLatin1()));
}

namespace {

// sway replaces $name by a config variable unless exactly one backslash precedes it.
bool replacesVariables(const std::string& argument) {
    for (size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '$') continue;
        const bool escaped =
            i >= 1 && argument[i - 1] == '\\' && !(i >= 2 && argument[i - 2] == '\\');
        if (!escaped) return true;
    }
    return false;
}

std::string unescape(const std::string& argument) {
    std::string text;
    for (size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '\\' || i + 1 == argument.size()) {
            text += argument[i];
            continue;
        }
        const char c = argument[++i];
        static const std::string plain = "abfnrtv\\'\"?";
        static const std::string meant = "\a\b\f\n\r\t\v\\'\"?";
        if (c == '0') break;
        if (const size_t index = plain.find(c); index != std::string::npos) {
            text += meant[index];
        } else if (c == 'x') {
            int value = 0;
            for (int digits = 0; digits < 2 && i + 1 < argument.size() &&
                                 std::isdigit(static_cast<unsigned char>(argument[i + 1]));
                 ++digits)
                value = value * 16 + (argument[++i] - '0');
            if (value) text += char(value);  // sway drops the NUL a bare \x leaves
        } else {
            text += '\\';
            text += c;
        }
    }
    return text;
}

}  // namespace

std::optional<QString> readSwayPath(const QString& argument) {
    std::string path = argument.toStdString();
    if (path.size() < 2 || path.front() != '"' || path.back() != '"') return std::nullopt;
    path = path.substr(1, path.size() - 2);
    // Inside double quotes sway's lexer only heeds backslashes and double quotes; one left
    // unescaped (or a backslash escaping the closing quote) would end the argument early.
    bool escaped = false;
    for (const char c : path) {
        if (c == '"' && !escaped) return std::nullopt;
        escaped = c == '\\' && !escaped;
    }
    if (escaped || replacesVariables(path)) return std::nullopt;
    // sway guards runs of spaces from word splitting this way before calling wordexp.
    std::string guarded;
    for (const char c : unescape(path)) {
        if (c == ' ' && !guarded.empty() && guarded.back() == ' ') guarded += '\\';
        guarded += c;
    }
    wordexp_t expanded{};
    const int failure = wordexp(guarded.c_str(), &expanded, WRDE_NOCMD | WRDE_UNDEF);
    if (failure) return std::nullopt;
    // sway joins the words again with single spaces.
    QStringList expandedWords;
    for (size_t i = 0; i < expanded.we_wordc; ++i)
        expandedWords << QString::fromStdString(expanded.we_wordv[i]);
    wordfree(&expanded);
    return expandedWords.join(QLatin1Char(' '));
}

}  // namespace wallpaper_test
