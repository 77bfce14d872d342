#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>
#include <vector>

namespace wallpaper_test {

struct NastyPath {
    const char* label;  // names the test case; the path itself is no good as a test name
    QString path;
};

inline void PrintTo(const NastyPath& nasty, std::ostream* out) { *out << nasty.label; }

// Image paths that break naive quoting in one layer or another: shell syntax, quotes of
// every kind, escapes, command separators of sway, an option-like leading '-', blanks
// sway would collapse, and letters outside ASCII and outside the BMP.
inline std::vector<NastyPath> nastyPaths() {
    return {
        {"spaces", QStringLiteral("/home/user/My Pictures/sunset beach.jpg")},
        {"quotes", QStringLiteral("/tmp/it's a \"quoted\" 'name'.png")},
        {"variables", QStringLiteral("/tmp/$HOME ${PATH} $mod $$.png")},
        {"substitutions", QStringLiteral("/tmp/`id` $(touch pwned).png")},
        {"backslashes", QStringLiteral("/tmp/back\\slash\\n\\x24\\\\.png")},
        {"separators", QStringLiteral("/tmp/a;b,c & d | e > f < g.png")},
        {"dashes", QStringLiteral("/-e -n --help/-x.png")},
        {"blanks", QStringLiteral("/tmp/two  spaces\ttab\nnewline.png")},
        {"patterns", QStringLiteral("/tmp/100% %41 %f #frag ?query *[ab]{c,d}~.png")},
        {"letters", QString::fromUtf8("/home/user/Fotos/Ähre 東京.bmp")},
        {"separators_and_emoji",
         QString::fromUtf8("/tmp/line\u2028sep\u2029 \U0001F600 \u00a0.png")},
        {"trailing_backslash", QStringLiteral("/tmp/trailing backslash\\")},
    };
}

// Readers written independently of the backends, after the programs that receive their
// output, so a test can tell whether a value means exactly the path it was made from.

// A GVariant string literal as GLib's text parser reads it ('...' or "...", with \-escapes);
// nothing when the text is not exactly one such literal.
inline std::optional<QString> readGVariantString(const QString& literal) {
    const QChar quote = literal.isEmpty() ? QChar() : literal.front();
    if (literal.size() < 2 || (quote != u'\'' && quote != u'"') || literal.back() != quote)
        return std::nullopt;
    QString text;
    for (qsizetype i = 1; i < literal.size() - 1; ++i) {
        QChar c = literal[i];
        if (c == quote) return std::nullopt;  // the literal would end early
        if (c == u'\\') {
            if (++i >= literal.size() - 1) return std::nullopt;
            c = literal[i];
            if (const int digits = c == u'u' ? 4 : c == u'U' ? 8 : 0) {
                bool ok = false;
                const char32_t code = literal.mid(i + 1, digits).toUInt(&ok, 16);
                if (!ok) return std::nullopt;
                text += QString::fromUcs4(&code, 1);
                i += digits;
                continue;
            }
            if (const qsizetype index = QStringView(u"abfnrtv").indexOf(c); index >= 0)
                c = QStringView(u"\a\b\f\n\r\t\v")[index];
        }
        text += c;
    }
    return text;
}

// The local path of a file:// URI; nothing when the URI holds anything besides letters,
// digits, "-._~/" and %XX escapes after the scheme.
inline std::optional<QString> readFileUri(const QString& uri) {
    static const QRegularExpression encoded(QStringLiteral("^file://(/[A-Za-z0-9._~/%-]*)$"));
    const QRegularExpressionMatch match = encoded.match(uri);
    if (!match.hasMatch()) return std::nullopt;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(match.captured(1).toLatin1()));
}

// A server for one test (Xvfb, dbus-daemon) that prints where to reach it as the first line
// of its standard output; address() is empty when it could not be started. It is stopped
// when the object goes.
class TestServer {
public:
    TestServer(const QString& program, const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, arguments);
        if (!process_.waitForStarted()) return;
        // Generous: a loaded CI machine may take a while to bring a server up.
        while (!process_.canReadLine() && process_.state() == QProcess::Running)
            process_.waitForReadyRead(30000);
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~TestServer() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished();
    }
    QString address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

}  // namespace wallpaper_test
