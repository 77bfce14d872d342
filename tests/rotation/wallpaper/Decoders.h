#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Readers written independently of the backends, after the programs that receive their
// output, so a test can tell whether a value means exactly the path it was made from.
namespace wallpaper_test {

// A GVariant string literal as GLib's text parser reads it ('...' or "...", with \-escapes);
// nothing when the text is not exactly one such literal.
std::optional<QString> readGVariantString(const QString& literal);

// The local path of a file:// URI; nothing when the URI holds anything besides letters,
// digits, "-._~/" and %XX escapes after the scheme.
std::optional<QString> readFileUri(const QString& uri);

// The path sway opens for `output * bg ARGUMENT fill`: it takes the double-quoted argument
// apart, replaces its $variables, resolves its escapes, then runs wordexp() on it. Nothing
// when the argument would not stay one quoted argument, or would have sway substitute a
// variable (every unescaped $name counts as defined) or wordexp run or expand anything.
std::optional<QString> readSwayPath(const QString& argument);

}  // namespace wallpaper_test
