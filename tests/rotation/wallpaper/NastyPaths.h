#pragma once

#include <QString>
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

}  // namespace wallpaper_test
