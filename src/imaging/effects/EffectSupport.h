#pragma once

#include <QImage>
#include <QString>

#include "imaging/effects/EffectTable.h"

// What every effect does before its kernel runs: check the arguments and the image, and make
// the result image. All checks come first, so a refused call leaves `dst` as it was.
namespace imaging::effects {

// The most pixels an image made by an effect may have.
constexpr qint64 kPixelLimit = 268435456;

// Throws kInvalidArgument unless there are exactly `count` numbers and every one is finite.
void checkNumbers(const Arguments& args, int count);

// `image` in one of the two formats the kernels work on: the image itself when it already is
// ARGB32 or RGB32, else a converted copy. Throws kNoImage for an empty image.
QImage kernelImage(const QImage& image);

// Rounds `value` to the nearest whole number; throws `error` with `description` unless the
// result lies in [low, high].
int wholeNumber(double value, qint64 low, qint64 high, qint32 error, const QString& description);

// A colour as the program passes it, 0xRRGGBB; throws kInvalidColor for anything but a whole
// number from 0 to 0xFFFFFF.
quint32 rgbColour(double value);

// Throws kInvalidSize unless width x height is a size an effect may make.
void checkSize(qint64 width, qint64 height);

// Makes `dst` an unshared image of that size and format, reusing its pixels when it already
// is one, so repeated runs touch no fresh memory. Throws kOutOfMemory, leaving `dst` as it
// was, when the memory cannot be had.
void prepareTarget(QImage& dst, int width, int height, QImage::Format format);

}  // namespace imaging::effects
