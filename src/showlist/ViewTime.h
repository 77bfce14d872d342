#pragma once

#include <QtGlobal>
#include <optional>

#include "RecordSet.h"

namespace showlist {

// Reads a stored display time as the 16-bit signed tick count the rotation counts down.
// Accepts what a person types as a number: surrounding blanks, a sign, decimals (rounded
// half to even) and an exponent. Null, empty, non-numeric and out-of-range values
// (beyond -32768..32767) give no value.
std::optional<qint16> toInt16(const FieldValue& value);

}  // namespace showlist
