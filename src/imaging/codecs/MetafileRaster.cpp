#include "imaging/codecs/MetafileRaster.h"

#include <QPainter>
#include <QSvgRenderer>

#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {

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
