#pragma once

#include <QString>
#include <optional>

namespace rotation {

// A file path as one argument of the sway command `output * bg PATH fill` sent over IPC
// (swaymsg), such that sway starts swaybg with exactly this path. Sway 1.7 reads such a
// command in these steps, each of which the argument survives:
//   1. the IPC server turns every line break into ';', so a path holding one cannot be
//      carried at all: nothing is returned for it;
//   2. the command is split at ';' and ',' and at blanks outside quotes, where a backslash
//      escapes the character after it; the quotes around an argument are removed, but not
//      the backslashes (unlike the config file, IPC commands get no C-escape decoding);
//   3. every '$' that is not preceded by exactly one backslash starts a sway variable
//      ("$mod" becomes "Mod4"), and "$$" becomes "$";
//   4. a backslash goes between any two adjacent blanks, then wordexp() expands the text
//      like a shell word: ~, $VAR, `...` and $(...) would be expanded and run.
// So the path is written as a shell word in which every character but letters, digits,
// non-ASCII and "/._-+,:@%=" has a backslash, that word in double quotes. A '$' right
// after an escaped backslash gets an empty '' between them, so that its own backslash is
// the only one sway sees before it.
std::optional<QString> swayQuotedPath(const QString& path);

}  // namespace rotation
