#include "CameraPhotos.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <map>
#include <utility>

namespace bench {

const QString& cameraPhoto(int noise, quint32 seed) {
    static QTemporaryDir folder;
    static std::map<std::pair<int, quint32>, QString> photos;
    QString& path = photos[{noise, seed}];
    if (!path.isEmpty()) return path;
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(quint32(2 * noise))) - noise;
            row[x] = qRgb(qBound(0, x * 255 / image.width() + n, 255),
                          qBound(0, y * 255 / image.height() + n, 255), qBound(0, 128 + n, 255));
        }
    }
    path = folder.filePath(QStringLiteral("camera-%1-%2.jpg").arg(noise).arg(seed));
    image.save(path, "JPEG", 90);
    return path;
}

}  // namespace bench
