#include "ViewTime.h"

#include <QLocale>
#include <cmath>

namespace showlist {

std::optional<qint16> toInt16(const FieldValue& value) {
    if (!value) return std::nullopt;
    const QString text = value->trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    // nearbyint follows the default rounding mode, round-half-to-even.
    const double rounded = std::nearbyint(number);
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<qint16>(rounded);
}

}  // namespace showlist
