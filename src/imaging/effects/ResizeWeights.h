#pragma once

#include <QtGlobal>
#include <vector>

namespace imaging::effects {

// How the output positions along one axis of a resize draw on the input positions: output i
// is sum over t < taps of weight(i, t) * input[first[i] + t]; each output's weights are
// non-negative and add up to exactly 2^14.
//
// Shrinking averages areas: output i covers input [i * from / to, (i + 1) * from / to), and an
// input pixel weighs by how much of it is covered. Rounding is done on running totals, so the
// weights add up exactly: with c_k the covered length up to the end of input pixel k,
// weight = round(c_k * 2^14 / from) - round(c_(k-1) * 2^14 / from).
//
// Enlarging (and keeping the size) interpolates linearly between the two input pixel centres
// around output centre i + 0.5, which lies at input (i + 0.5) * from / to - 0.5; the weight of
// the right pixel is its distance fraction times 2^14, rounded; beyond the outer centres the
// edge pixel counts alone.
struct AxisWeights {
    int taps = 0;
    std::vector<int> first;
    std::vector<qint16> weights;  // `taps` per output position, unused ones 0

    qint16 weight(int i, int t) const { return weights[size_t(i) * taps + t]; }
};

AxisWeights axisWeights(int from, int to);

}  // namespace imaging::effects
