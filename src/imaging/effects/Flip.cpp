#include "imaging/effects/Flip.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"

#ifdef QUORVANE_X86
#include <immintrin.h>
#endif

namespace imaging::effects {

namespace {

// Reading backwards outruns the hardware's prefetching, so the loop fetches 1 KiB ahead.
QUORVANE_INLINE void reverseRow(const quint32* __restrict in, quint32* __restrict out, int width) {
    for (int x = 0; x < width; x += 16) {
        fetchAhead(in + std::max(0, width - x - 256));
        const int end = std::min(width, x + 16);
        for (int i = x; i < end; ++i) out[i] = in[width - 1 - i];
    }
}

void reverseRowBaseline(const quint32* in, quint32* out, int width) { reverseRow(in, out, width); }

#ifdef QUORVANE_X86
// Eight pixels at a time, turned round in a register; a large result is stored around the
// cache once the output is 32-byte aligned.
QUORVANE_AVX2 void reverseRowAvx2(const quint32* in, quint32* out, int width, bool streaming) {
    const __m256i backwards = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int x = streaming ? std::min(width, int((-reinterpret_cast<std::uintptr_t>(out) & 31) / 4)) : 0;
    reverseRow(in + width - x, out, x);
    for (; x + 8 <= width; x += 8) {
        fetchAhead(in + std::max(0, width - x - 256));
        const __m256i pixels = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + width - x - 8)), backwards);
        if (streaming)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(out + x), pixels);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixels);
    }
    reverseRow(in, out + x, width - x);
}
#endif

}  // namespace

void mirrorInto(const QImage& src, QImage& dst, bool leftRight, bool upsideDown) {
    const ConstPixels in(src);
    const Pixels out(dst);
    const bool streaming = worthStreaming(out.stride * out.height);
    const bool avx2 = simd::avx2();
    forEachRowBand(out.height, out.width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const quint32* from = in.row(upsideDown ? in.height - 1 - y : y);
#ifdef QUORVANE_X86
            if (leftRight && avx2) {
                reverseRowAvx2(from, out.row(y), out.width, streaming);
                continue;
            }
#endif
            if (leftRight)
                writeRow(out.row(y), out.width, streaming, [&](int x, int count, quint32* to) {
                    reverseRowBaseline(from + (out.width - x - count), to, count);
                });
            else if (streaming)
                streamCopy(out.row(y), from, size_t(out.width) * 4);
            else
                std::memcpy(out.row(y), from, size_t(out.width) * 4);
        }
    });
}

void flip(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 2);
    const double direction = args.numbers[0];
    if (direction != 0 && direction != 1)
        throw Error(kInvalidArgument,
                    QStringLiteral("The direction must be 0 (horizontal) or 1 (vertical)."));
    prepareTarget(dst, image.width(), image.height(), image.format());
    mirrorInto(image, dst, direction == 0, direction == 1);
}

}  // namespace imaging::effects
