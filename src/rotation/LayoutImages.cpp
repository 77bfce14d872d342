#include "LayoutImages.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "imaging/Error.h"
#include "imaging/codecs/Codecs.h"
#include "rotation/wallpaper/WallpaperImage.h"

namespace rotation {

namespace {

double finestScale(const platform::MonitorLayout& layout) {
    double scale = 1.0;
    for (const platform::Monitor& monitor : layout)
        scale = std::max(scale, double(monitor.pixels.width()) / monitor.area.width());
    return scale;
}

QRect scaled(const QRect& area, QPoint origin, double scale) {
    const auto at = [scale](int v) { return int(std::lround(v * scale)); };
    const QPoint topLeft(at(area.left() - origin.x()), at(area.top() - origin.y()));
    const QPoint end(at(area.left() + area.width() - origin.x()),
                     at(area.top() + area.height() - origin.y()));
    return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
}

}  // namespace

LayoutCanvas layoutCanvas(const platform::MonitorLayout& layout) {
    const QRect box = platform::boundingArea(layout);
    const double scale = finestScale(layout);
    LayoutCanvas canvas{scaled(box, box.topLeft(), scale).size(), {}};
    for (const platform::Monitor& monitor : layout)
        canvas.regions.push_back(scaled(monitor.area, box.topLeft(), scale));
    return canvas;
}

QImage composeEach(const LayoutCanvas& canvas, const std::vector<QImage>& pictures) {
    std::vector<std::pair<QPoint, QImage>> placed;
    for (std::size_t i = 0; i < canvas.regions.size() && i < pictures.size(); ++i)
        placed.emplace_back(canvas.regions[i].topLeft(),
                            coverScaled(pictures[i], canvas.regions[i].size()));
    return placedOnBlack(canvas.size, placed);
}

QImage composeAcross(const LayoutCanvas& canvas, const QImage& picture) {
    return coverScaled(picture, canvas.size);
}

QImage monitorPart(const QImage& canvas, const QRect& region, QSize pixels) {
    return coverScaled(canvas.copy(region), pixels);
}

QImage decodeWallpaper(const QString& path) {
    imaging::codecs::DecodeOptions options;
    options.limits.maxPixels = kMaxWallpaperPixels;
    try {
        return imaging::codecs::decode(path, options);
    } catch (const imaging::Error& error) {
        throw imaging::Error(error.number,
                             QStringLiteral("The image \"%1\" could not be read (%2).")
                                 .arg(path, error.description));
    }
}

ComposedFiles::ComposedFiles(QString folder) : folder_(std::move(folder)) {}

QString ComposedFiles::write(const QImage& image, const QString& label) {
    QDir().mkpath(folder_);
    // The time keeps names new across runs; the count within one millisecond.
    const QString path =
        QDir(folder_).filePath(QStringLiteral("%1-%2-%3.bmp")
                                   .arg(QString::number(QDateTime::currentMSecsSinceEpoch(), 36),
                                        QString::number(++written_), label));
    // Made again from the show list's pictures whenever the program starts, so a crash that
    // loses the file costs nothing the next start does not mend: not worth the disk's wait.
    imaging::codecs::EncodeOptions options;
    options.durable = false;
    try {
        imaging::codecs::encode(image, path, imaging::kFormatBmp, options);
    } catch (const imaging::Error& error) {
        throw imaging::Error(error.number,
                             QStringLiteral("The wallpaper for the monitors could not be written "
                                            "to \"%1\" (%2).")
                                 .arg(path, error.description));
    }
    return path;
}

void ComposedFiles::keepOnly(const QStringList& paths) const {
    QStringList kept;
    for (const QString& path : paths) kept << QFileInfo(path).fileName();
    QDir folder(folder_);
    for (const QString& name : folder.entryList({QStringLiteral("*.bmp")}, QDir::Files))
        if (!kept.contains(name)) folder.remove(name);
}

}  // namespace rotation
