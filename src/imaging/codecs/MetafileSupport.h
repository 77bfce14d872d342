#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// What the WMF and EMF readers share: the guards around the libraries that turn drawings
// into SVG (libwmf, libemf2svg), and QtSvg, which draws that SVG.
namespace imaging::codecs {

// Width and height of each bitmap in a drawing.
using BitmapSizes = std::vector<std::pair<std::int64_t, std::int64_t>>;

// The libraries allocate every bitmap of a drawing at the size its header gives: they are
// held to the limits before a library sees them.
void checkBitmapSizes(const BitmapSizes& sizes, const DecodeLimits& limits);

// A copy of the file for a library, followed by zeros: the libraries look colours up by
// pixel value without checking the length of a bitmap's colour table, and the padding keeps
// those reads inside the buffer.
QByteArray libraryInput(Bytes data);

// The drawing's size in pixels as the document gives it; kCorruptFile when QtSvg cannot
// read the document.
QSize svgNaturalSize(const QByteArray& svg);

// Draws the document at its natural size on white.
QImage rasterizeSvg(const QByteArray& svg, const DecodeLimits& limits);

}  // namespace imaging::codecs
