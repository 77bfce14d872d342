#include "imaging/codecs/MetafileSupport.h"

#include <QPainter>
#include <QSvgRenderer>

#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {

void checkBitmapSizes(const BitmapSizes& sizes, const DecodeLimits& limits) {
    for (const auto& [width, height] : sizes) checkLimits(width, height, limits);
}

QByteArray libraryInput(Bytes data) {
    // 256 colours of 4 bytes: the furthest an 8-bit index can reach past a table.
    constexpr qsizetype kPadding = 1024;
    QByteArray copy(qsizetype(data.size()) + kPadding, '\0');
    std::copy(data.begin(), data.end(), copy.begin());
    return copy;
}

QSize svgNaturalSize(const QByteArray& svg) {
    const QSvgRenderer renderer(svg);
    if (!renderer.isValid()) failCorrupt(QStringLiteral("the drawing could not be converted"));
    return renderer.defaultSize();
}

QImage rasterizeSvg(const QByteArray& svg, const DecodeLimits& limits) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) failCorrupt(QStringLiteral("the drawing could not be converted"));
    const QSize size = renderer.defaultSize();
    checkLimits(size.width(), size.height(), limits);
    QImage image = newImage(size.width(), size.height(), QImage::Format_RGB32);
    // Metafiles have no transparency: what they leave undrawn is paper.
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

}  // namespace imaging::codecs
