#pragma once

#include <QString>
#include <optional>

namespace operations {

// The number a person typed at the start of a prompt's answer, the way the program has
// always read them: blanks anywhere are ignored, reading stops at the first character that
// cannot continue the number, an exponent (E or D) is allowed, and text that does not start
// with a number reads as 0. "  12 0abc" reads 120, "1.5e2" 150, "abc" 0.
double leadingNumber(const QString& text);

// `number` rounded to a whole number, halves to the even neighbour; nothing when the result
// does not fit a 32-bit integer.
std::optional<int> toWholeNumber(double number);

}  // namespace operations
