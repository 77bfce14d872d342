#include "imaging/effects/RotateRightAngle.h"

#include <algorithm>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Streaming.h"

namespace imaging::effects {

namespace {

// Output rows are made in strips: walking down the input's columns for 64 output rows at a
// time reads four whole cache lines per input row (and page), and the strip is written out row
// by row afterwards. Input rows are fetched well ahead, as the walk crosses a page per row.
constexpr int kStrip = 64;
constexpr int kFetchAhead = 16;

// Output row Y of a clockwise turn is input column Y read from the bottom up; of a
// counter-clockwise turn, input column width-1-Y read from the top down.
struct Quarter {
    ConstPixels in;
    Pixels out;
    bool clockwise;
    bool streaming;

    quint32 pixel(int x, int y) const {
        return clockwise ? in.row(in.height - 1 - x)[y] : in.row(x)[in.width - 1 - y];
    }

    // Output pixels x0..x1 of rows y0..y1 of the strip starting at row `top`.
    void plainBlock(quint32* const* strip, int top, int x0, int x1, int y0, int y1) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) strip[y - top][x] = pixel(x, y);
    }

#ifdef __SSE2__
    // Output pixels (x..x+3, y..y+3): four input rows of four pixels, transposed in registers.
    void block4(quint32* const* strip, int top, int x, int y) const {
        __m128i r[4];
        for (int i = 0; i < 4; ++i) {
            const quint32* from =
                clockwise ? in.row(in.height - 1 - x - i) + y : in.row(x + i) + (in.width - 4 - y);
            r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        }
        const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]);
        const __m128i t1 = _mm_unpacklo_epi32(r[2], r[3]);
        const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]);
        const __m128i t3 = _mm_unpackhi_epi32(r[2], r[3]);
        const __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                              _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
        for (int j = 0; j < 4; ++j)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(strip[y + j - top] + x),
                             c[clockwise ? j : 3 - j]);
    }
#endif

    void strip(quint32* const* rows, int top, int end) const {
        int blocked = 0;
#ifdef __SSE2__
        blocked = (end - top) & ~3;
        const int fullWidth = out.width & ~3;
        for (int x = 0; x < fullWidth; x += 4) {
            if (x + kFetchAhead + 4 <= out.width)
                for (int i = kFetchAhead; i < kFetchAhead + 4; ++i) {
                    const quint32* ahead = clockwise ? in.row(in.height - 1 - x - i) + top
                                                     : in.row(x + i) + (in.width - end);
                    for (int line = 0; line < end - top; line += 16)
                        _mm_prefetch(reinterpret_cast<const char*>(ahead + line), _MM_HINT_T0);
                }
            for (int y = top; y < top + blocked; y += 4) block4(rows, top, x, y);
        }
        plainBlock(rows, top, fullWidth, out.width, top, top + blocked);
#endif
        plainBlock(rows, top, 0, out.width, top + blocked, end);
    }

    void band(int first, int end) const {
        std::vector<quint32> buffer(streaming ? size_t(kStrip) * out.width : 0);
        quint32* rows[kStrip];
        for (int top = first; top < end; top += kStrip) {
            const int count = std::min(kStrip, end - top);
            for (int i = 0; i < count; ++i)
                rows[i] = streaming ? buffer.data() + size_t(i) * out.width : out.row(top + i);
            strip(rows, top, top + count);
            if (streaming)
                for (int i = 0; i < count; ++i)
                    streamCopy(out.row(top + i), rows[i], size_t(out.width) * 4);
        }
    }
};

}  // namespace

void rotateQuarterInto(const QImage& src, QImage& dst, bool clockwise) {
    Pixels out(dst);
    const Quarter quarter{ConstPixels(src), out, clockwise,
                          worthStreaming(out.stride * out.height)};
    forEachRowBand(out.height, out.width, [&](int first, int end) { quarter.band(first, end); });
}

}  // namespace imaging::effects
