#include "operations/NumericText.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace operations {

double leadingNumber(const QString& text) {
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("[ \\t\\r\\n]")));
    static const QRegularExpression kNumber(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"));
    const QRegularExpressionMatch match = kNumber.match(compact);
    if (!match.hasMatch()) return 0.0;
    QString number = match.captured(0);
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    // An exponent beyond the range of a double is still a number, only too large to use.
    if (!ok) return number.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
    return value;
}

std::optional<int> toWholeNumber(double number) {
    if (!std::isfinite(number)) return std::nullopt;
    // nearbyint follows the default rounding mode, round-half-to-even.
    const double rounded = std::nearbyint(number);
    if (rounded < double(std::numeric_limits<int>::min()) ||
        rounded > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(rounded);
}

}  // namespace operations
