#include "imaging/effects/Streaming.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace imaging::effects {

namespace {
// Well past the largest cache a core has to itself.
constexpr qint64 kStreamingBytes = qint64(8) << 20;
std::atomic<qint64> threshold{kStreamingBytes};
}  // namespace

bool worthStreaming(qint64 bytes) { return bytes >= threshold.load(std::memory_order_relaxed); }

void setStreamingThreshold(qint64 bytes) {
    threshold.store(bytes > 0 ? bytes : kStreamingBytes, std::memory_order_relaxed);
}

void streamCopy(void* to, const void* from, size_t bytes) {
#ifdef __SSE2__
    auto* out = static_cast<uchar*>(to);
    const auto* in = static_cast<const uchar*>(from);
    const size_t head = std::min(bytes, size_t(-reinterpret_cast<std::uintptr_t>(out) & 15));
    std::memcpy(out, in, head);
    size_t done = head;
    for (; done + 64 <= bytes; done += 64)
        for (int part = 0; part < 64; part += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + part),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + part)));
    std::memcpy(out + done, in + done, bytes - done);
#else
    std::memcpy(to, from, bytes);
#endif
}

void streamFence() {
#ifdef __SSE2__
    _mm_sfence();
#endif
}

}  // namespace imaging::effects
