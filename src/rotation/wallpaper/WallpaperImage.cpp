#include "WallpaperImage.h"

#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "imaging/effects/Resize.h"

namespace rotation {

WallpaperImage loadWallpaperImage(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Refused from the header alone, before any pixel memory is taken. Formats that cannot
    // tell their size up front are still held by Qt's allocation limit while decoding.
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxWallpaperPixels) {
        // One arg() call for all: a path holding "%2" must stay as it is.
        return {{},
                QStringLiteral("The image \"%1\" is too large to show: %2 x %3 pixels, more "
                               "than %4 megapixels.")
                    .arg(path, QString::number(size.width()), QString::number(size.height()),
                         QString::number(kMaxWallpaperPixels / (1024 * 1024)))};
    }
    QImage image = reader.read();
    if (image.isNull())
        return {{},
                QStringLiteral("The image \"%1\" could not be read (%2).")
                    .arg(path, reader.errorString())};
    return {std::move(image), {}};
}

QImage coverScaled(const QImage& image, const QSize& size) {
    const double zoom =
        std::max(double(size.width()) / image.width(), double(size.height()) / image.height());
    // Never a pixel short of covering, whatever the rounding.
    const int width = std::max(size.width(), int(std::lround(image.width() * zoom)));
    const int height = std::max(size.height(), int(std::lround(image.height() * zoom)));
    QImage scaled;
    imaging::effects::resize(image, scaled, {{double(width), double(height), -1, -1, 0}, nullptr});
    const QImage cropped = scaled.copy((width - size.width()) / 2, (height - size.height()) / 2,
                                       size.width(), size.height());
    if (!cropped.hasAlphaChannel()) return cropped.convertToFormat(QImage::Format_RGB32);
    QImage opaque(size, QImage::Format_RGB32);
    opaque.fill(Qt::black);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, cropped);
    return opaque;
}

}  // namespace rotation
