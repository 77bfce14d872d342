#include "imaging/effects/Grayscale.h"

#include <algorithm>
#include <cstdint>

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

// n / 1000 for n up to 255500 as (n / 8) / 125, the last division a multiply and shift that
// is exact below 2^15, so all of it vectorises in 32-bit lanes.
QUORVANE_INLINE void grayRow(const quint32* __restrict in, quint32* __restrict out, int width) {
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        const quint32 n = 299 * ((p >> 16) & 255) + 587 * ((p >> 8) & 255) + 114 * (p & 255) + 500;
        const quint32 y = ((n >> 3) * 33555) >> 22;
        out[x] = (p & 0xff000000u) | (y * 0x010101u);
    }
}

void grayRowBaseline(const quint32* in, quint32* out, int width) { grayRow(in, out, width); }

#ifdef QUORVANE_X86
// The same arithmetic eight pixels at a time: blue and red, then green, as 16-bit pairs into
// 32-bit sums, and the multiply by 33555 as the high half of a 16-bit product shifted by 6.
// A large result is stored around the cache straight from the registers, once the output
// is 32-byte aligned.
QUORVANE_AVX2 void grayRowAvx2(const quint32* in, quint32* out, int width, bool streaming) {
    const __m256i lowBytes = _mm256_set1_epi32(0x00ff00ff);
    const __m256i blueRed = _mm256_set1_epi32(114 | (299 << 16));
    const __m256i green = _mm256_set1_epi32(587);
    const __m256i half = _mm256_set1_epi32(500);
    const __m256i scale = _mm256_set1_epi32(33555);
    const __m256i alpha = _mm256_set1_epi32(int(0xff000000u));
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1,
                                            0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
    int x = 0;
    if (streaming) {
        x = std::min(width, int((-reinterpret_cast<std::uintptr_t>(out) & 31) / 4));
        grayRow(in, out, x);
    }
    for (; x + 8 <= width; x += 8) {
        // Read ahead: the hardware's own prefetching falls behind a loop this short.
        fetchAhead(in + std::min(x + 256, width - 1));
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const __m256i sum = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_and_si256(p, lowBytes), blueRed), half),
            _mm256_madd_epi16(_mm256_and_si256(_mm256_srli_epi32(p, 8), lowBytes), green));
        const __m256i luma =
            _mm256_srli_epi32(_mm256_mulhi_epu16(_mm256_srli_epi32(sum, 3), scale), 6);
        const __m256i grey =
            _mm256_or_si256(_mm256_shuffle_epi8(luma, spread), _mm256_and_si256(p, alpha));
        if (streaming)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(out + x), grey);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), grey);
    }
    grayRow(in + x, out + x, width - x);
}
#endif

}  // namespace

void grayscale(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 1);
    prepareTarget(dst, image.width(), image.height(), image.format());
    const ConstPixels in(image);
    const Pixels out(dst);
    const bool streaming = worthStreaming(out.stride * out.height);
    const bool avx2 = simd::avx2();
    forEachRowBand(out.height, out.width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
#ifdef QUORVANE_X86
            if (avx2) {
                grayRowAvx2(in.row(y), out.row(y), out.width, streaming);
                continue;
            }
#endif
            writeRow(out.row(y), out.width, streaming, [&](int x, int count, quint32* to) {
                grayRowBaseline(in.row(y) + x, to, count);
            });
        }
    });
}

}  // namespace imaging::effects
