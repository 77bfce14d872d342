#pragma once

#include <QString>

namespace rotation {

// Text as a double-quoted JavaScript string literal that is also valid JSON. Only printable
// ASCII stays as it is; quotes, backslashes, control characters and everything beyond ASCII
// (U+2028 and U+2029 included, which end a line in older script engines) become escapes,
// so no text can end the literal or change the script around it.
QString javaScriptStringLiteral(const QString& text);

}  // namespace rotation
