#include "DesktopEntryExec.h"

#include <algorithm>
#include <stdexcept>

namespace platform {

namespace {

// The characters that make an argument need quotes.
bool isReserved(QChar c) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// Inside quotes only these four take a backslash.
bool isEscapedInQuotes(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
           c == QLatin1Char('\\');
}

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }

QString quotedArgument(const QString& argument) {
    for (const QChar c : argument) {
        if (isControl(c))
            throw std::invalid_argument(
                QStringLiteral("\"%1\" holds a control character, which a desktop entry cannot "
                               "carry.")
                    .arg(QString(argument).replace(QLatin1Char('\n'), QStringLiteral("\\n")))
                    .toStdString());
    }
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReserved);
    if (!needsQuotes) return argument;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (isEscapedInQuotes(c)) quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

}  // namespace

QString desktopExecValue(const QStringList& arguments) {
    QStringList quoted;
    for (const QString& argument : arguments) quoted << quotedArgument(argument);
    // Field codes are read before the quotes, so a literal percent sign is doubled everywhere;
    // then the whole value is a key file string, whose backslashes are doubled once more.
    return quoted.join(QLatin1Char(' '))
        .replace(QLatin1Char('%'), QStringLiteral("%%"))
        .replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

QString unescapeDesktopString(const QString& stored) {
    QString text;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        if (c != QLatin1Char('\\') || i + 1 == stored.size()) {
            text += c;
            continue;
        }
        const QChar next = stored[++i];
        switch (next.unicode()) {
            case 's':
                text += QLatin1Char(' ');
                break;
            case 'n':
                text += QLatin1Char('\n');
                break;
            case 't':
                text += QLatin1Char('\t');
                break;
            case 'r':
                text += QLatin1Char('\r');
                break;
            case '\\':
                text += QLatin1Char('\\');
                break;
            default:  // not an escape: kept as written
                text += c;
                text += next;
        }
    }
    return text;
}

std::optional<QStringList> splitDesktopCommand(const QString& command) {
    QStringList arguments;
    QString current;
    bool inToken = false;        // something (even "") has been read for the current argument
    bool onlyFieldCode = false;  // the argument so far is a field code and nothing else
    const auto finish = [&] {
        if (inToken && !(onlyFieldCode && current.isEmpty())) arguments << current;
        current.clear();
        inToken = onlyFieldCode = false;
    };
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            finish();
            continue;
        }
        const bool startsToken = !inToken;
        inToken = true;
        if (c == QLatin1Char('%') && i + 1 < command.size()) {
            const QChar code = command[++i];
            if (code == QLatin1Char('%')) {
                current += code;
                onlyFieldCode = false;
            } else {
                onlyFieldCode = current.isEmpty() && (startsToken || onlyFieldCode);
            }
            continue;
        }
        onlyFieldCode = false;
        if (c == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= command.size()) return std::nullopt;
                QChar q = command[i];
                if (q == QLatin1Char('"')) break;
                if (q == QLatin1Char('\\') && i + 1 < command.size() &&
                    isEscapedInQuotes(command[i + 1]))
                    q = command[++i];
                else if (q == QLatin1Char('%') && i + 1 < command.size() &&
                         command[i + 1] == QLatin1Char('%'))
                    ++i;
                current += q;
            }
        } else if (c == QLatin1Char('\'')) {
            // Not in the rules, but accepted by the common launchers as a shell would.
            const qsizetype end = command.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0) return std::nullopt;
            current += command.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == QLatin1Char('\\') && i + 1 < command.size()) {
            current += command[++i];
        } else {
            current += c;
        }
    }
    finish();
    return arguments;
}

}  // namespace platform
