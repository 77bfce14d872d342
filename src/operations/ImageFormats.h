#pragma once

#include <QString>

namespace operations {

// The name of an image format code (1 to 11) as the save options dialog shows it; empty for
// any other code.
QString formatName(int code);

// File dialog filters, in the "Caption|patterns|Caption|patterns" form.
QString openFilter();
QString saveFilter();

}  // namespace operations
