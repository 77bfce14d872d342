#include "imaging/ImageMemory.h"

#include <gtest/gtest.h>

#include <QColor>

#include <cstdint>

namespace imaging {
namespace {

struct Allocation {
    int width;
    int height;
    QImage::Format format;
};

class AllocateImage : public testing::TestWithParam<Allocation> {};

// Small images come from the heap, large ones from their own mapping: either way the image
// must look and behave exactly like one QImage made itself.
TEST_P(AllocateImage, GivesTheImageQtWouldMake) {
    const auto [width, height, format] = GetParam();
    QImage image = allocateImage(width, height, format);
    const QImage reference(width, height, format);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), reference.size());
    EXPECT_EQ(image.format(), reference.format());
    EXPECT_EQ(image.bytesPerLine(), reference.bytesPerLine());

    // Every byte is writable, copies share until written, and the last owner frees it
    // (the sanitizer build would report a bad or missing unmap).
    image.fill(QColor(0x12, 0x34, 0x56));
    QImage copy = image;
    copy.setPixelColor(width - 1, height - 1, Qt::green);
    EXPECT_EQ(image.pixelColor(width - 1, height - 1), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(copy.pixelColor(width - 1, height - 1), QColor(Qt::green));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, AllocateImage,
    testing::Values(Allocation{1, 1, QImage::Format_RGB32}, Allocation{3, 5, QImage::Format_ARGB32},
                    Allocation{1001, 3000, QImage::Format_RGB32},     // just over 8 MiB
                    Allocation{4097, 2049, QImage::Format_RGB888}));  // rows padded to words

#ifdef __linux__
TEST(AllocateImage, PutsALargeImageOnAHugePageBoundary) {
    const QImage image = allocateImage(2048, 2048, QImage::Format_RGB32);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.constBits()) % (2u << 20), 0u);
}
#endif

TEST(AllocateImage, RefusesAnImpossibleSizeWithANullImage) {
    EXPECT_TRUE(allocateImage(0, 10, QImage::Format_RGB32).isNull());
    EXPECT_TRUE(allocateImage(10, -1, QImage::Format_RGB32).isNull());
}

}  // namespace
}  // namespace imaging
