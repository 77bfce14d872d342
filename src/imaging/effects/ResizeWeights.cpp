#include "imaging/effects/ResizeWeights.h"

#include <algorithm>

namespace imaging::effects {

namespace {

constexpr qint64 kOne = 1 << 14;

AxisWeights areaWeights(qint64 from, qint64 to) {
    AxisWeights axis;
    // Output i spans input [i * from, (i + 1) * from) in units of 1/to of an input pixel.
    for (qint64 i = 0; i < to; ++i) {
        const qint64 first = i * from / to;
        const qint64 last = ((i + 1) * from - 1) / to;
        axis.taps = std::max(axis.taps, int(last - first + 1));
    }
    axis.first.resize(size_t(to));
    axis.weights.assign(size_t(to * axis.taps), 0);
    for (qint64 i = 0; i < to; ++i) {
        const qint64 start = i * from;
        const qint64 first = start / to;
        const qint64 last = ((i + 1) * from - 1) / to;
        axis.first[size_t(i)] = int(first);
        qint64 before = 0;
        for (qint64 k = first; k <= last; ++k) {
            const qint64 covered = std::min((k + 1) * to, start + from) - start;
            const qint64 upTo = (covered * kOne + from / 2) / from;
            axis.weights[size_t(i * axis.taps + k - first)] = qint16(upTo - before);
            before = upTo;
        }
    }
    return axis;
}

AxisWeights linearWeights(qint64 from, qint64 to) {
    AxisWeights axis;
    axis.taps = from == 1 ? 1 : 2;
    axis.first.resize(size_t(to));
    axis.weights.assign(size_t(to * axis.taps), 0);
    for (qint64 i = 0; i < to; ++i) {
        qint16* weight = &axis.weights[size_t(i * axis.taps)];
        // Centre position (2i + 1) * from / (2 * to) - 1/2 as numerator over 2 * to.
        const qint64 position = (2 * i + 1) * from - to;
        const qint64 denominator = 2 * to;
        if (from == 1 || position <= 0) {
            axis.first[size_t(i)] = 0;
            weight[0] = kOne;
        } else if (position / denominator >= from - 1) {
            axis.first[size_t(i)] = int(from - 2);
            weight[1] = kOne;
        } else {
            axis.first[size_t(i)] = int(position / denominator);
            const qint64 right = ((position % denominator) * kOne + to) / denominator;
            weight[0] = qint16(kOne - right);
            weight[1] = qint16(right);
        }
    }
    return axis;
}

}  // namespace

AxisWeights axisWeights(int from, int to) {
    return to < from ? areaWeights(from, to) : linearWeights(from, to);
}

}  // namespace imaging::effects
