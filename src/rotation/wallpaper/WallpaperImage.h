#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <utility>
#include <vector>

namespace rotation {

// The largest image the root-window setter decodes: 64 megapixels (an 8K square) take
// 256 MB as 32-bit pixels, which is also Qt's own allocation limit for a decoded image.
inline constexpr qint64 kMaxWallpaperPixels = 64LL * 1024 * 1024;

struct WallpaperImage {
    QImage image;
    // Why image is null, as a sentence for the user; empty when it is not.
    QString problem;
};

// Reads an image file upright (EXIF orientation applied). No image when the file is
// unreadable or, by its header, larger than kMaxWallpaperPixels.
WallpaperImage loadWallpaperImage(const QString& path);

// Zoom to cover: the image scaled with its aspect kept until it fills size in both
// directions, then centre-cropped to exactly size. Transparent parts show black, as they
// would on a root window. The result is Format_RGB32.
QImage coverScaled(const QImage& image, const QSize& size);

// A black image of this size with each picture (opaque, 32-bit, as coverScaled() gives them)
// copied in at its place, clipped to the image: the pictures of several monitors as one.
QImage placedOnBlack(QSize size, const std::vector<std::pair<QPoint, QImage>>& pictures);

}  // namespace rotation
