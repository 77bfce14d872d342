#include "imaging/history/PixelRows32.h"

#include <cstdlib>
#include <cstring>
#include <functional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace imaging::history {

namespace {

quint32 load32(const uchar* at) {
    quint32 value;
    std::memcpy(&value, at, 4);
    return value;
}

// Bytewise: the second byte added to (or taken from) the first and the third.
quint32 addGreen(quint32 pixel, bool subtract) {
    uchar bytes[4];
    std::memcpy(bytes, &pixel, 4);
    bytes[0] = uchar(subtract ? bytes[0] - bytes[1] : bytes[0] + bytes[1]);
    bytes[2] = uchar(subtract ? bytes[2] - bytes[1] : bytes[2] + bytes[1]);
    std::memcpy(&pixel, bytes, 4);
    return pixel;
}

// Each byte of `a` combined with the same byte of `b`, modulo 256.
template <typename Combine>
quint32 bytewise(quint32 a, quint32 b, Combine combine) {
    uchar x[4], y[4];
    std::memcpy(x, &a, 4);
    std::memcpy(y, &b, 4);
    for (int i = 0; i < 4; ++i) x[i] = uchar(combine(x[i], y[i]));
    std::memcpy(&a, x, 4);
    return a;
}

quint32 subBytes(quint32 a, quint32 b) { return bytewise(a, b, std::minus<int>()); }
quint32 addBytes(quint32 a, quint32 b) { return bytewise(a, b, std::plus<int>()); }

#ifdef __SSE2__
__m128i load(const uchar* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
void store(uchar* at, __m128i value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value); }

// The second byte of each pixel, placed in its first and third byte.
__m128i greens(__m128i pixels) {
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i third = _mm_set1_epi32(0xFF0000);
    return _mm_or_si128(_mm_and_si128(_mm_srli_epi32(pixels, 8), low),
                        _mm_and_si128(_mm_slli_epi32(pixels, 8), third));
}
#endif

}  // namespace

namespace rows32 {

void makeResiduals(Predictor predictor, const uchar* row, const uchar* above,
                   const uchar* neighbour, int pixels, uchar* out) {
    int x = 0;
    const bool left = predictor == Predictor::Left;
#ifdef __SSE2__
    // Left: the pixel before the first of each group of four is the previous group's last.
    __m128i before = _mm_cvtsi32_si128(int(pixels > 0 && above ? load32(above) : 0));
    for (; x + 4 <= pixels; x += 4) {
        const __m128i current = load(row + 4 * x);
        __m128i prediction;
        if (left) {
            prediction = _mm_or_si128(_mm_slli_si128(current, 4), before);
            before = _mm_srli_si128(current, 12);
        } else {
            prediction = load(neighbour + 4 * x);
        }
        const __m128i residual = _mm_sub_epi8(current, prediction);
        store(out + 4 * x, _mm_sub_epi8(residual, greens(residual)));
    }
#endif
    for (; x < pixels; ++x) {
        const quint32 prediction = !left   ? load32(neighbour + 4 * x)
                                   : x > 0 ? load32(row + 4 * x - 4)
                                   : above ? load32(above)
                                           : 0;
        const quint32 residual = addGreen(subBytes(load32(row + 4 * x), prediction), true);
        std::memcpy(out + 4 * x, &residual, 4);
    }
}

void restoreRow(Predictor predictor, const uchar* residuals, const uchar* above,
                const uchar* neighbour, int pixels, uchar* row) {
    int x = 0;
    const bool left = predictor == Predictor::Left;
#ifdef __SSE2__
    __m128i carry = _mm_set1_epi32(int(pixels > 0 && above ? load32(above) : 0));
    for (; x + 4 <= pixels; x += 4) {
        __m128i value = load(residuals + 4 * x);
        value = _mm_add_epi8(value, greens(value));
        if (left) {
            // A running sum over the four pixels, bytewise, plus the pixel before them.
            value = _mm_add_epi8(value, _mm_slli_si128(value, 4));
            value = _mm_add_epi8(value, _mm_slli_si128(value, 8));
            value = _mm_add_epi8(value, carry);
            carry = _mm_shuffle_epi32(value, 0xFF);
        } else {
            value = _mm_add_epi8(value, load(neighbour + 4 * x));
        }
        store(row + 4 * x, value);
    }
#endif
    for (; x < pixels; ++x) {
        const quint32 prediction = !left   ? load32(neighbour + 4 * x)
                                   : x > 0 ? load32(row + 4 * x - 4)
                                   : above ? load32(above)
                                           : 0;
        const quint32 value = addBytes(addGreen(load32(residuals + 4 * x), false), prediction);
        std::memcpy(row + 4 * x, &value, 4);
    }
}

void scatter(const uchar* residuals, int pixels, uchar* const planes[4]) {
    int x = 0;
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi32(0xFF);
    for (; x + 16 <= pixels; x += 16) {
        __m128i quads[4];
        for (int k = 0; k < 4; ++k) quads[k] = load(residuals + 4 * (x + 4 * k));
        for (int p = 0; p < 4; ++p) {
            __m128i bytes[4];
            for (int k = 0; k < 4; ++k)
                bytes[k] = _mm_and_si128(_mm_srli_epi32(quads[k], 8 * p), low);
            store(planes[p] + x, _mm_packus_epi16(_mm_packs_epi32(bytes[0], bytes[1]),
                                                  _mm_packs_epi32(bytes[2], bytes[3])));
        }
    }
#endif
    for (; x < pixels; ++x)
        for (int p = 0; p < 4; ++p) planes[p][x] = residuals[4 * x + p];
}

void gather(const uchar* const planes[4], int pixels, uchar* residuals) {
    int x = 0;
#ifdef __SSE2__
    for (; x + 16 <= pixels; x += 16) {
        const __m128i b = load(planes[0] + x), g = load(planes[1] + x);
        const __m128i r = load(planes[2] + x), a = load(planes[3] + x);
        const __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i raLow = _mm_unpacklo_epi8(r, a), raHigh = _mm_unpackhi_epi8(r, a);
        store(residuals + 4 * x, _mm_unpacklo_epi16(bgLow, raLow));
        store(residuals + 4 * x + 16, _mm_unpackhi_epi16(bgLow, raLow));
        store(residuals + 4 * x + 32, _mm_unpacklo_epi16(bgHigh, raHigh));
        store(residuals + 4 * x + 48, _mm_unpackhi_epi16(bgHigh, raHigh));
    }
#endif
    for (; x < pixels; ++x)
        for (int p = 0; p < 4; ++p) residuals[4 * x + p] = planes[p][x];
}

}  // namespace rows32

qint64 magnitude(const uchar* bytes, int count) {
    qint64 sum = 0;
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    __m128i total = zero;
    for (; i + 16 <= count; i += 16) {
        const __m128i value = load(bytes + i);
        // As unsigned bytes, the smaller of v and -v is the magnitude of v read as signed.
        const __m128i size = _mm_min_epu8(value, _mm_sub_epi8(zero, value));
        total = _mm_add_epi64(total, _mm_sad_epu8(size, zero));
    }
    sum = _mm_cvtsi128_si64(total) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total));
#endif
    for (; i < count; ++i) sum += std::abs(int(qint8(bytes[i])));
    return sum;
}

}  // namespace imaging::history
