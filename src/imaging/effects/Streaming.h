#pragma once

#include <QtGlobal>
#include <algorithm>
#include <cstddef>

#ifdef __SSE2__
#include <xmmintrin.h>
#endif

// Results much larger than the caches are written around them: an ordinary store first reads
// the line it writes to, a third of the memory traffic of a kernel that streams an image
// through. Small results are written normally, as they are likely read again soon.
namespace imaging::effects {

// True when a result of this many bytes should be written around the cache.
bool worthStreaming(qint64 bytes);

// Overrides the size from which results are streamed (8 MiB); 0 returns to it. Lets tests
// compare both ways of writing on small images.
void setStreamingThreshold(qint64 bytes);

// Copies `bytes` from `from` (freshly computed, in cache) to `to`, around the cache.
void streamCopy(void* to, const void* from, size_t bytes);

// Makes this thread's writes around the cache visible to other threads; RowBands calls it
// at the end of every band.
void streamFence();

// Asks for the cache line at `at` ahead of its use, where a loop reads faster than the
// hardware fetches by itself. Only a hint: an address outside the image is harmless.
inline void fetchAhead(const void* at) {
#ifdef __SSE2__
    _mm_prefetch(static_cast<const char*>(at), _MM_HINT_T0);
#else
    (void)at;
#endif
}

// Writes one output row of `width` pixels that `make(first, count, out)` computes piece by
// piece, straight into the row or through a small buffer and around the cache.
template <typename Make>
void writeRow(quint32* row, int width, bool streaming, Make&& make) {
    if (!streaming) {
        make(0, width, row);
        return;
    }
    constexpr int kChunk = 1024;
    alignas(64) quint32 chunk[kChunk];
    for (int x = 0; x < width; x += kChunk) {
        const int count = std::min(kChunk, width - x);
        make(x, count, chunk);
        streamCopy(row + x, chunk, size_t(count) * 4);
    }
}

}  // namespace imaging::effects
