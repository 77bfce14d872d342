#pragma once

#include <QImage>

#include "imaging/codecs/ByteReader.h"

namespace imaging::codecs {

// Decodes a PNG file held in memory with libpng: every colour type and depth, palettes,
// transparent colours (tRNS) and Adam7, to Format_ARGB32 when the file has transparency, else
// Format_RGB32; 16-bit samples are rounded to 8 bits. Samples are taken as stored (no gamma
// correction). A damaged file throws kCorruptFile with libpng's reason, which is never
// printed. The caller checks the decode limits first.
QImage readPng(Bytes data);

}  // namespace imaging::codecs
