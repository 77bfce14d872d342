#pragma once

#include <QString>
#include <ostream>
#include <vector>

namespace testsupport {

// A file or folder name (no '/') that breaks naive quoting in some layer between Quorvane and
// whatever reads the path: a shell, a desktop-entry Exec line, a GVariant or JSON literal, a
// file:// URI, a sway command, a `%f` command template.
struct HostileName {
    const char* label;  // names the case in test names and failure messages
    QString name;
};

inline void PrintTo(const HostileName& hostile, std::ostream* out) { *out << hostile.label; }

// The one table every suite that hands a path to someone else draws on. The last entry holds
// a line break, which some receivers (sway, a desktop entry) cannot carry at all.
inline const std::vector<HostileName>& hostileNames() {
    static const std::vector<HostileName> names = {
        {"blanks", QStringLiteral(" two  blanks\tand a tab ")},
        {"quotes", QStringLiteral("it's a \"quoted\" 'name'")},
        {"variables", QStringLiteral("$HOME ${HOME} $mod $$")},
        {"substitutions", QStringLiteral("$(touch pwned) `touch pwned`")},
        {"separators", QStringLiteral("a;b,c & d | e > f < g")},
        {"patterns", QStringLiteral("#1 100% %41 %2F %f %% what? *[ab]{c,d}")},
        {"tilde_and_bang", QStringLiteral("~root !bang !!")},
        {"backslashes", QStringLiteral("back\\slash \\n \\$mod \\\\ \\")},
        {"leading_dash", QStringLiteral("-n --help")},
        {"letters", QString::fromUtf8("caf\u00e9 \u00c4hre \u65e5\u672c \U0001F600 \u00a0")},
        {"control_and_separators", QString::fromUtf8("cr\r line\u2028sep\u2029")},
        {"line_break", QStringLiteral("first line\nsecond line")},
    };
    return names;
}

}  // namespace testsupport
