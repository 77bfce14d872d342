#pragma once

#include <QString>

namespace rotation {

// A file path as one argument of a sway command, such that sway's handling of
// `output * bg PATH fill` arrives at exactly this path and nothing else. Sway treats the
// text in three layers, each of which this undoes:
//   1. the command parser splits at ';' and ',' and spaces outside quotes, then strips the
//      quotes, replaces $variables of the sway config and resolves C-style escapes;
//   2. the background command runs wordexp() on the path, which would expand ~, $VAR,
//      `...`, $(...) and globs, and split at blanks;
//   3. before that it inserts a backslash between any two adjacent spaces.
// So the path is first written as a shell word that expands to itself, with no two spaces
// in a row, and that word is then put in double quotes for the command parser, with '$'
// spelled as the escape \x24 so no sway variable can match.
QString swayQuotedPath(const QString& path);

}  // namespace rotation
