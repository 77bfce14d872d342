#pragma once

#include <QLocale>
#include <QString>

namespace imaging {
class ImgX;
}

namespace operations {

// The text of the "Image Data" box: the file, the size, the proportion, the colours and,
// from 100 bytes up, the file size. `fileLength` is the size of the document's file as the
// editor last measured it.
QString imageInformationText(const imaging::ImgX& image, qint64 fileLength,
                             const QLocale& locale = QLocale());

// A ratio written with at most three decimals and no leading or trailing zeros, the
// separator always kept: 4/3 gives "1.333", 3/4 ".75", 1 "1.".
QString formatRatio(double ratio, const QLocale& locale = QLocale());

}  // namespace operations
