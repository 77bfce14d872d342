#include "operations/ImageInformation.h"

#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"

namespace operations {

QString formatRatio(double ratio, const QLocale& locale) {
    QString digits = QLocale::c().toString(ratio, 'f', 3);
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    if (digits.endsWith(QLatin1Char('.'))) digits.chop(1);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? digits : digits.left(point);
    const QString fraction = point < 0 ? QString() : digits.mid(point + 1);
    if (whole == QLatin1String("0")) whole.clear();
    if (whole == QLatin1String("-0")) whole = QStringLiteral("-");
    return whole + locale.decimalPoint() + fraction;
}

QString imageInformationText(const imaging::ImgX& image, qint64 fileLength, const QLocale& locale) {
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = image.Info(imaging::kInfoFilePath).toString() + lineEnd + lineEnd;
    text += QStringLiteral("Width : \t\t") + locale.toString(image.Width()) + lineEnd;
    text += QStringLiteral("Height :\t\t") + locale.toString(image.Height()) + lineEnd;
    text += QStringLiteral("Ratio  (W/H):\t") +
            formatRatio(double(image.Width()) / double(image.Height()), locale) + lineEnd;
    text += QStringLiteral("Colors :\t\t") + locale.toString(image.Colors()) + lineEnd;
    if (fileLength > 99) text += QStringLiteral("File Size :\t\t") + QString::number(fileLength);
    return text;
}

}  // namespace operations
