#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <vector>

// Shared by the effect tests: deterministic images, running an effect through the table, and
// pixel comparisons that name the first difference.
namespace effects_test {

// Pixels from a fixed seed. ARGB32 images mix opaque, fully transparent and partly transparent
// pixels; RGB32 images are opaque.
QImage randomImage(int width, int height, QImage::Format format, unsigned seed);

// Runs the named effect from the table into a fresh image.
QImage runEffect(const QString& name, const QImage& src, const std::vector<double>& numbers,
                 const QImage* source = nullptr);

::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual);

// The byte of a channel: 0 blue, 1 green, 2 red, 3 alpha.
inline int channel(quint32 pixel, int byte) { return int((pixel >> (8 * byte)) & 255); }

// Sets the thread count, AVX2 use and writing around the cache for one scope.
class KernelSettings {
public:
    KernelSettings(int threads, bool avx2, bool streaming = false);
    ~KernelSettings();
};

}  // namespace effects_test
