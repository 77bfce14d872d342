#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/monitors/Monitor.h"

namespace rotation {

// The image of a whole monitor layout: the layout's bounding area at the finest scale any
// of its monitors has, so a monitor of scale 2 beside one of scale 1 loses no detail, and
// where each monitor's area lies in it.
struct LayoutCanvas {
    QSize size;
    std::vector<QRect> regions;  // one per monitor, in the layout's order
};

LayoutCanvas layoutCanvas(const platform::MonitorLayout& layout);

// Each monitor's region filled with its own picture, zoomed to cover it.
QImage composeEach(const LayoutCanvas& canvas, const std::vector<QImage>& pictures);

// One picture zoomed to cover the whole canvas: each monitor shows the part of it that lies
// where the monitor physically is.
QImage composeAcross(const LayoutCanvas& canvas, const QImage& picture);

// What a monitor shows of a composed canvas, at its own pixel size.
QImage monitorPart(const QImage& canvas, const QRect& region, QSize pixels);

// Reads a wallpaper through the engine: upright, within the wallpaper pixel limit. Throws
// imaging::Error.
QImage decodeWallpaper(const QString& path);

// The folder where composed wallpapers are kept: written whole under new names (a desktop
// that sees an unchanged name may not look at the file again), the older ones removed once
// the desktop shows the new.
class ComposedFiles {
public:
    explicit ComposedFiles(QString folder);

    // Writes the image as a new bitmap and returns its path. Throws imaging::Error.
    QString write(const QImage& image, const QString& label);
    // Removes every composed file but those named.
    void keepOnly(const QStringList& paths) const;

private:
    QString folder_;
    quint64 written_ = 0;
};

}  // namespace rotation
