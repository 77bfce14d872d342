#include "imaging/effects/EffectSupport.h"

#include <cmath>

#include "imaging/Error.h"
#include "imaging/ImageMemory.h"

namespace imaging::effects {

void checkNumbers(const Arguments& args, int count) {
    if (static_cast<int>(args.numbers.size()) != count)
        throw Error(kInvalidArgument, QStringLiteral("The effect takes %1 numbers, not %2.")
                                          .arg(count)
                                          .arg(args.numbers.size()));
    for (double number : args.numbers)
        if (!std::isfinite(number))
            throw Error(kInvalidArgument, QStringLiteral("Every number must be a finite value."));
}

QImage kernelImage(const QImage& image) {
    if (image.isNull())
        throw Error(kNoImage, QStringLiteral("The operation needs an image, and none is loaded."));
    const QImage::Format format = image.format();
    if (format == QImage::Format_ARGB32 || format == QImage::Format_RGB32) return image;
    const QImage converted = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                           : QImage::Format_RGB32);
    if (converted.isNull())
        throw Error(kOutOfMemory, QStringLiteral("There is not enough memory for the image."));
    return converted;
}

int wholeNumber(double value, qint64 low, qint64 high, qint32 error, const QString& description) {
    const double rounded = std::round(value);
    if (!(rounded >= double(low) && rounded <= double(high))) throw Error(error, description);
    return static_cast<int>(rounded);
}

quint32 rgbColour(double value) {
    if (!(value >= 0 && value <= 0xffffff && value == std::floor(value)))
        throw Error(kInvalidColor, QStringLiteral("A colour must be a whole number from 0 to "
                                                  "16777215 (hexadecimal FFFFFF)."));
    return quint32(value);
}

void checkSize(qint64 width, qint64 height) {
    if (width < 1 || height < 1)
        throw Error(kInvalidSize, QStringLiteral("The width and height must be at least 1 pixel."));
    if (width > kPixelLimit || height > kPixelLimit || width * height > kPixelLimit)
        throw Error(kInvalidSize,
                    QStringLiteral("The image may have at most %1 pixels.").arg(kPixelLimit));
}

void prepareTarget(QImage& dst, int width, int height, QImage::Format format) {
    if (dst.width() == width && dst.height() == height && dst.format() == format &&
        dst.isDetached())
        return;
    QImage fresh = allocateImage(width, height, format);
    if (fresh.isNull())
        throw Error(kOutOfMemory, QStringLiteral("There is not enough memory for the result."));
    dst = std::move(fresh);
}

}  // namespace imaging::effects
