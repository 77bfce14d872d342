#include "imaging/effects/RotateBilinear.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Streaming.h"

namespace imaging::effects {

namespace {

constexpr double kOne = 4294967296.0;  // 1.0 in 32.32 fixed point
constexpr int kFractionShift = 25;     // 32 - 7: weights in 1/128 of a pixel

qint64 fixedPoint(double value) { return std::llround(value * kOne); }

qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The positions X in [begin, end) where low <= start + X * step < high.
std::pair<int, int> span(qint64 start, qint64 step, qint64 low, qint64 high, int begin, int end) {
    qint64 first = begin;
    qint64 last = end;
    if (step == 0) {
        if (start < low || start >= high) last = begin;
    } else if (step > 0) {
        first = -floorDiv(start - low, step);
        last = -floorDiv(start - high, step);
    } else {
        first = floorDiv(start - high, -step) + 1;
        last = floorDiv(start - low, -step) + 1;
    }
    first = std::clamp<qint64>(first, begin, end);
    last = std::clamp<qint64>(last, first, end);
    return {int(first), int(last)};
}

std::pair<int, int> intersect(std::pair<int, int> a, std::pair<int, int> b) {
    const int first = std::max(a.first, b.first);
    return {first, std::max(first, std::min(a.second, b.second))};
}

// Output is made in tiles of 64 rows by 128 pixels: along a tile's rows the input is read
// along short slanted lines, so the input pages in use stay few enough for the processor's
// address cache, where whole rows would visit a new page every other pixel.
constexpr int kTileRows = 64;
constexpr int kTileWidth = 128;

struct Turn {
    ConstPixels in;
    Pixels out;
    bool opaque;  // RGB32: alpha reads as 255 and the background is white
    quint32 background;
    qint64 originX, originY;  // input position of output pixel (0, 0), 1/256 pixel added
    qint64 xPerX, yPerX;      // input step per output column
    qint64 xPerY, yPerY;      // input step per output row

    quint32 fetch(qint64 x, qint64 y) const {
        if (x < 0 || y < 0 || x >= in.width || y >= in.height) return background;
        return in.row(int(y))[x];
    }

    // The defining formula, for any position.
    quint32 sample(qint64 fx, qint64 fy) const {
        const qint64 x = fx >> 32;
        const qint64 y = fy >> 32;
        if (x < -1 || y < -1 || x >= in.width || y >= in.height) return background;
        const quint32 p[4] = {fetch(x, y), fetch(x + 1, y), fetch(x, y + 1), fetch(x + 1, y + 1)};
        const int ax = int(fx >> kFractionShift) & 127;
        const int ay = int(fy >> kFractionShift) & 127;
        const quint32 w[4] = {quint32((128 - ax) * (128 - ay)), quint32(ax * (128 - ay)),
                              quint32((128 - ax) * ay), quint32(ax * ay)};
        quint32 alphaSum = 0;
        for (int i = 0; i < 4; ++i) alphaSum += w[i] * (opaque ? 255 : p[i] >> 24);
        if (alphaSum == 0) return 0;
        quint32 result = ((alphaSum + 8192) >> 14) << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            quint64 sum = 0;
            for (int i = 0; i < 4; ++i)
                sum += quint64(w[i]) * (opaque ? 255 : p[i] >> 24) * ((p[i] >> shift) & 255);
            result |= quint32((sum + alphaSum / 2) / alphaSum) << shift;
        }
        return result;
    }

#ifdef __SSE2__
    // sample() for a position whose four pixels all lie inside the image and are opaque:
    // then the premultiplied weighting reduces to rounding sum(w * c) / 16384, computed as
    // the vertical blend of each column (at most 255 * 128, so 16 bits) blended horizontally.
    static quint32 opaqueSample(const quint32* top, const quint32* bottom, int ax, int ay) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i t =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top)), zero);
        const __m128i b =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom)), zero);
        const __m128i columns = _mm_add_epi16(_mm_mullo_epi16(t, _mm_set1_epi16(short(128 - ay))),
                                              _mm_mullo_epi16(b, _mm_set1_epi16(short(ay))));
        // Each channel of the left column next to the same channel of the right one.
        const __m128i paired = _mm_unpacklo_epi16(columns, _mm_unpackhi_epi64(columns, columns));
        __m128i sum = _mm_madd_epi16(paired, _mm_set1_epi32((128 - ax) | (ax << 16)));
        sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(8192)), 14);
        sum = _mm_packs_epi32(sum, sum);
        return quint32(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
    }
#endif

    // Output pixels [begin, end) of row y into `line`.
    void segment(int y, int begin, int end, quint32* line) const {
        const qint64 fx0 = originX + y * xPerY;
        const qint64 fy0 = originY + y * yPerY;
        const qint64 w = qint64(in.width) << 32;
        const qint64 h = qint64(in.height) << 32;
        const qint64 one = qint64(1) << 32;
        // Positions touching the image at all, and those whose four pixels are all inside.
        const auto touching =
            intersect(span(fx0, xPerX, -one, w, begin, end), span(fy0, yPerX, -one, h, begin, end));
        const auto inside = intersect(span(fx0, xPerX, 0, w - one, begin, end),
                                      span(fy0, yPerX, 0, h - one, begin, end));
        std::fill(line + begin, line + touching.first, background);
        std::fill(line + touching.second, line + end, background);
        const int fastFirst = std::max(inside.first, touching.first);
        const int fastEnd = std::max(fastFirst, inside.second);
        for (int x = touching.first; x < std::min(fastFirst, touching.second); ++x)
            line[x] = sample(fx0 + x * xPerX, fy0 + x * yPerX);
        for (int x = std::max(fastEnd, touching.first); x < touching.second; ++x)
            line[x] = sample(fx0 + x * xPerX, fy0 + x * yPerX);
        const quint32 alphaFill = opaque ? 0xff000000u : 0;
        qint64 fx = fx0 + fastFirst * xPerX;
        qint64 fy = fy0 + fastFirst * yPerX;
        for (int x = fastFirst; x < fastEnd; ++x, fx += xPerX, fy += yPerX) {
            const quint32* top = in.row(int(fy >> 32)) + (fx >> 32);
            const quint32* bottom =
                reinterpret_cast<const quint32*>(reinterpret_cast<const uchar*>(top) + in.stride);
#ifdef __SSE2__
            if (opaque || (top[0] & top[1] & bottom[0] & bottom[1]) >= 0xff000000u) {
                line[x] = opaqueSample(top, bottom, int(fx >> kFractionShift) & 127,
                                       int(fy >> kFractionShift) & 127) |
                          alphaFill;
                continue;
            }
#endif
            line[x] = sample(fx, fy);
        }
    }

    void rows(int first, int end, bool streaming) const {
        std::vector<quint32> buffer(streaming ? size_t(kTileRows) * out.width : 0);
        for (int top = first; top < end; top += kTileRows) {
            const int count = std::min(kTileRows, end - top);
            quint32* lines[kTileRows];
            for (int i = 0; i < count; ++i)
                lines[i] = streaming ? buffer.data() + size_t(i) * out.width : out.row(top + i);
            for (int left = 0; left < out.width; left += kTileWidth)
                for (int i = 0; i < count; ++i)
                    segment(top + i, left, std::min(left + kTileWidth, out.width), lines[i]);
            if (streaming)
                for (int i = 0; i < count; ++i)
                    streamCopy(out.row(top + i), lines[i], size_t(out.width) * 4);
        }
    }
};

}  // namespace

QSize rotatedCanvas(QSize size, double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::abs(std::cos(radians));
    const double s = std::abs(std::sin(radians));
    const auto side = [](double length) {
        return std::clamp(std::ceil(length - 1e-6), 1.0, double(std::numeric_limits<int>::max()));
    };
    return QSize(int(side(size.width() * c + size.height() * s)),
                 int(side(size.width() * s + size.height() * c)));
}

void rotateBilinearInto(const QImage& src, QImage& dst, double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const bool opaque = src.format() == QImage::Format_RGB32;
    Turn turn{ConstPixels(src), Pixels(dst), opaque, opaque ? 0xffffffffu : 0u, 0, 0, 0, 0, 0, 0};
    // Output pixel centre (X + 0.5, Y + 0.5), taken about the canvas centre, turned back by
    // the angle and moved to the input's centre, gives the input position in pixel indices.
    const double u = 0.5 - turn.out.width / 2.0;
    const double v = 0.5 - turn.out.height / 2.0;
    const qint64 snap = qint64(1) << (kFractionShift - 1);
    turn.originX = fixedPoint(u * c + v * s + turn.in.width / 2.0 - 0.5) + snap;
    turn.originY = fixedPoint(-u * s + v * c + turn.in.height / 2.0 - 0.5) + snap;
    turn.xPerX = fixedPoint(c);
    turn.yPerX = fixedPoint(-s);
    turn.xPerY = fixedPoint(s);
    turn.yPerY = fixedPoint(c);
    const bool streaming = worthStreaming(turn.out.stride * turn.out.height);
    forEachRowBand(turn.out.height, turn.out.width,
                   [&](int first, int end) { turn.rows(first, end, streaming); });
}

}  // namespace imaging::effects
