#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "imaging/codecs/Codecs.h"

// Vector metafiles reach us as SVG text (libwmf, libemf2svg); QtSvg draws them.
namespace imaging::codecs {

// The drawing's size in pixels as the document gives it; kCorruptFile when QtSvg cannot
// read the document.
QSize svgNaturalSize(const QByteArray& svg);

// Draws the document at its natural size on white.
QImage rasterizeSvg(const QByteArray& svg, const DecodeLimits& limits);

}  // namespace imaging::codecs
