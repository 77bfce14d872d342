#pragma once

#include <QString>
#include <ostream>
#include <vector>

namespace wallpaper_test {

// An image file name for the sway backend, and whether a sway command can carry its path.
struct SwayTestName {
    const char* label;  // names the test case; the file name itself is no good as a test name
    QString name;
    bool carried = true;
};

inline void PrintTo(const SwayTestName& name, std::ostream* out) { *out << name.label; }

// The folder the files go in: as hostile as a file name, short of a line break, which
// would leave no path to carry.
inline QString swayTestFolderName() {
    return QString::fromUtf8(
        "-dir 'q' \"dq\" $HOME $mod $(touch pwned) `touch pwned` ;&#%?~! \\ é 日本");
}

// Names that break a sway command in one of its layers: its separators, quotes, escapes and
// variables ($mod is defined in the tests' sway config), the shell expansion of wordexp()
// (variables, commands, patterns, tilde), the backslash sway puts between two blanks, an
// option-like leading dash, letters beyond ASCII, control characters, and the line break
// sway turns into a command separator.
inline std::vector<SwayTestName> swayTestNames() {
    return {
        {"spaces", QStringLiteral("my picture.png")},
        {"runs_of_blanks", QStringLiteral("two  blanks   three.png")},
        {"quotes", QStringLiteral("it's a \"quoted\" name.png")},
        {"shell_variable", QStringLiteral("$HOME.png")},
        {"sway_variables", QStringLiteral("$mod $x $$ ${HOME}.png")},
        {"command_substitution", QStringLiteral("$(touch pwned).png")},
        {"backquotes", QStringLiteral("`touch pwned`.png")},
        {"separators", QStringLiteral("a;b,c&d|e.png")},
        {"comment_and_patterns", QStringLiteral("#1 100% what? *[ab]{c,d}.png")},
        {"tilde_and_bang", QStringLiteral("~root !bang.png")},
        {"backslashes", QStringLiteral("back\\slash \\$mod \\\\.png")},
        {"trailing_backslash", QStringLiteral("trailing\\")},
        {"leading_dash", QStringLiteral("-x --help.png")},
        {"letters", QString::fromUtf8("é 日本.png")},
        {"control_characters", QStringLiteral("tab\tcr\r.png")},
        {"line_break", QStringLiteral("line\nbreak.png"), false},
    };
}

}  // namespace wallpaper_test
