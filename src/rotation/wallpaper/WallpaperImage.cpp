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

namespace {

// The area of the image, without copying its pixels where their rows allow: valid while the
// image lives.
QImage partOf(const QImage& image, const QRect& area) {
    if (image.depth() != 32) return image.copy(area);
    return QImage(image.constScanLine(area.y()) + area.x() * 4, area.width(), area.height(),
                  image.bytesPerLine(), image.format());
}

}  // namespace

QImage coverScaled(const QImage& image, const QSize& size) {
    // A wallpaper saved at the monitor's size, as Save Image sizes it for the display.
    if (image.size() == size && !image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    const double zoom =
        std::max(double(size.width()) / image.width(), double(size.height()) / image.height());
    // Only the part of the picture that shows is scaled: cut first, it costs a fraction of
    // scaling the whole picture up and cutting the overhang off afterwards.
    const int width = std::clamp(int(std::lround(size.width() / zoom)), 1, image.width());
    const int height = std::clamp(int(std::lround(size.height() / zoom)), 1, image.height());
    const QImage shown =
        partOf(image, {(image.width() - width) / 2, (image.height() - height) / 2, width, height});
    QImage cropped;
    imaging::effects::resize(shown, cropped,
                             {{double(size.width()), double(size.height()), -1, -1, 0}, nullptr});
    if (!cropped.hasAlphaChannel()) return cropped.convertToFormat(QImage::Format_RGB32);
    QImage opaque(size, QImage::Format_RGB32);
    opaque.fill(Qt::black);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, cropped);
    return opaque;
}

QImage placedOnBlack(QSize size, const std::vector<std::pair<QPoint, QImage>>& pictures) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    // Row by row: a painter takes several times as long for the same copies.
    for (const auto& [at, picture] : pictures) {
        const QRect area = QRect(at, picture.size()) & canvas.rect();
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y())) +
                            (area.left() - at.x()),
                        area.width(), reinterpret_cast<QRgb*>(canvas.scanLine(y)) + area.left());
    }
    return canvas;
}

}  // namespace rotation
