#include "WallpaperImage.h"

#include <QImageReader>
#include <QPainter>

namespace rotation {

QImage loadWallpaperImage(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Refused from the header alone, before any pixel memory is taken. Formats that cannot
    // tell their size up front are still held by Qt's allocation limit while decoding.
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxWallpaperPixels) return {};
    return reader.read();
}

QImage coverScaled(const QImage& image, const QSize& size) {
    const QImage scaled = image.size() == size ? image
                                               : image.scaled(size, Qt::KeepAspectRatioByExpanding,
                                                              Qt::SmoothTransformation);
    const QImage cropped =
        scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2,
                    size.width(), size.height());
    if (!cropped.hasAlphaChannel()) return cropped.convertToFormat(QImage::Format_RGB32);
    QImage opaque(size, QImage::Format_RGB32);
    opaque.fill(Qt::black);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, cropped);
    return opaque;
}

}  // namespace rotation
