#include "SwayCommandModel.h"

#include <wordexp.h>
#include <QList>
#include <cstring>

namespace wallpaper_test {
namespace {

// Quotes and backslashes as sway's command lexers track them: a backslash escapes the one
// character after it, and a quote inside the other kind of quotes is an ordinary character.
class Lexer {
public:
    // Takes the next character; true when it is bare: outside quotes and not escaped.
    bool take(char c) {
        quote_ = false;
        const bool wasEscaped = escaped_;
        escaped_ = c == '\\' && !escaped_;
        if (wasEscaped || c == '\\') return false;
        if (c == '"' && !inSingle_) {
            inDouble_ = !inDouble_;
            quote_ = true;
            return false;
        }
        if (c == '\'' && !inDouble_) {
            inSingle_ = !inSingle_;
            quote_ = true;
            return false;
        }
        return !inDouble_ && !inSingle_;
    }
    // Whether the character taken last opened or closed quotes.
    bool wasQuote() const { return quote_; }

private:
    bool inDouble_ = false, inSingle_ = false, escaped_ = false, quote_ = false;
};

// Splits at bare separators, dropping empty pieces; quotes and backslashes stay.
QList<QByteArray> splitBare(const QByteArray& text, const char* separators) {
    QList<QByteArray> pieces{QByteArray()};
    Lexer lexer;
    for (const char c : text) {
        if (lexer.take(c) && std::strchr(separators, c)) {
            pieces.append(QByteArray());
        } else {
            pieces.back() += c;
        }
    }
    pieces.removeAll(QByteArray());
    return pieces;
}

// Removes the quote characters themselves; the backslashes stay.
QByteArray withoutQuotes(const QByteArray& argument) {
    QByteArray text;
    Lexer lexer;
    for (const char c : argument) {
        lexer.take(c);
        if (!lexer.wasQuote()) text += c;
    }
    return text;
}

// sway replaces "$name" by a variable of its config (and "$$" by "$") unless exactly one
// backslash precedes the '$'.
bool leavesDollarsAlone(const QByteArray& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '$') continue;
        const bool escapedOnce = i >= 1 && text[i - 1] == '\\' && !(i >= 2 && text[i - 2] == '\\');
        if (!escapedOnce) return false;
    }
    return true;
}

}  // namespace

std::optional<QByteArray> swayBackgroundPath(QByteArray command) {
    // The IPC server makes every line of the message a command of its own.
    command.replace('\n', ';');
    const QList<QByteArray> commands = splitBare(command, ";,");
    if (commands.size() != 1) return std::nullopt;
    const QList<QByteArray> words = splitBare(commands.front(), " \t\f\r\v");
    if (words.size() != 5 || words[0] != "output" || words[1] != "*" || words[2] != "bg" ||
        words[4] != "fill")
        return std::nullopt;
    QByteArray text = words[3];
    if (text.startsWith('"') || text.startsWith('\'')) text = withoutQuotes(text);
    if (!leavesDollarsAlone(text)) return std::nullopt;
    // Blanks in a row are kept from word splitting by a backslash after the first.
    while (text.contains("  ")) text.replace("  ", " \\ ");
    wordexp_t expanded{};
    if (wordexp(text.constData(), &expanded, WRDE_NOCMD) != 0) return std::nullopt;
    QList<QByteArray> fields;
    for (size_t i = 0; i < expanded.we_wordc; ++i) fields << expanded.we_wordv[i];
    wordfree(&expanded);
    if (fields.isEmpty()) return std::nullopt;
    return fields.join(' ');
}

}  // namespace wallpaper_test
