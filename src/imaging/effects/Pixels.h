#pragma once

#include <QImage>

// Rows of an image as 32-bit pixels. Kernels take these once on the calling thread, so their
// worker threads never touch QImage's shared reference count.
namespace imaging::effects {

struct ConstPixels {
    explicit ConstPixels(const QImage& image)
        : bits(image.constBits()),
          stride(image.bytesPerLine()),
          width(image.width()),
          height(image.height()) {}

    const quint32* row(int y) const { return reinterpret_cast<const quint32*>(bits + y * stride); }

    const uchar* bits;
    qsizetype stride;
    int width;
    int height;
};

struct Pixels {
    explicit Pixels(QImage& image)
        : bits(image.bits()),
          stride(image.bytesPerLine()),
          width(image.width()),
          height(image.height()) {}

    quint32* row(int y) const { return reinterpret_cast<quint32*>(bits + y * stride); }

    uchar* bits;
    qsizetype stride;
    int width;
    int height;
};

}  // namespace imaging::effects
