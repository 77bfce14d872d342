#include "imaging/ImageMemory.h"

#include <cstddef>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>

#include <system_error>
#include <thread>
#endif

namespace imaging {
namespace {

#ifdef __linux__
constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below a few huge pages the ordinary heap is as fast and wastes nothing on rounding.
constexpr std::size_t kHugePageThreshold = 4 * kHugePage;

struct Mapping {
    char* start;
    std::size_t length;
    std::thread prefaulter;
};

void unmap(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    if (mapping->prefaulter.joinable()) mapping->prefaulter.join();
    munmap(mapping->start, mapping->length);
    delete mapping;
}

// Makes the pages present and writable without changing a byte, so it cannot disturb rows
// the writer has already filled. Kernels before 5.14 refuse the advice; the writer then takes
// the faults itself.
void prefaultInOrder(char* start, std::size_t length) {
    for (std::size_t done = 0; done < length; done += kHugePage)
        if (madvise(start + done, kHugePage, MADV_POPULATE_WRITE) != 0) return;
}

// Maps one huge page more than needed so the image can start on a huge-page boundary; the
// unused ends are given back at once.
QImage hugePageImage(int width, int height, QImage::Format format, qsizetype bytesPerLine,
                     Prefault prefault) {
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return {};
    auto* base = static_cast<char*>(mapped);
    const std::size_t lead =
        (kHugePage - reinterpret_cast<std::uintptr_t>(base) % kHugePage) % kHugePage;
    if (lead > 0) munmap(base, lead);
    munmap(base + lead + length, kHugePage - lead);
    char* start = base + lead;
    madvise(start, length, MADV_HUGEPAGE);  // only advice: without it the pages are small
    auto* mapping = new Mapping{start, length, {}};
    QImage image(reinterpret_cast<uchar*>(start), width, height, bytesPerLine, format, unmap,
                 mapping);
    if (image.isNull()) {
        unmap(mapping);
        return image;
    }
    if (prefault == Prefault::Ahead) {
        try {
            mapping->prefaulter = std::thread(prefaultInOrder, start, length);
        } catch (const std::system_error&) {
            // No thread to spare: the writer takes the faults itself.
        }
    }
    return image;
}
#endif

}  // namespace

QImage allocateImage(int width, int height, QImage::Format format,
                     [[maybe_unused]] Prefault prefault) {
#ifdef __linux__
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (width > 0 && height > 0 && depth > 0) {
        // QImage's own row length: whole 32-bit words.
        const qsizetype bytesPerLine = ((qsizetype(width) * depth + 31) / 32) * 4;
        if (std::size_t(bytesPerLine) * std::size_t(height) >= kHugePageThreshold)
            return hugePageImage(width, height, format, bytesPerLine, prefault);
    }
#endif
    return QImage(width, height, format);
}

}  // namespace imaging
