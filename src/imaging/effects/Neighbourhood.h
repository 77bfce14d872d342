#pragma once

#include <QImage>
#include <array>
#include <functional>

#include "imaging/effects/EffectTable.h"

namespace imaging::effects {

// A 3x3 neighbourhood operation on colour channels; borders replicate the edge pixels.
// Each selected channel becomes `formula` of that channel's nine neighbourhood values
// (row-major, the pixel itself in the middle), evaluated in double precision, rounded half away
// from zero and clamped to 0..255; other channels and alpha are kept.
//
// The formula must equal sum(weights * values). Kernels evaluate that sum in fixed point
// and call `formula` only for the rare values so close to a rounding boundary that fixed
// point cannot tell on which side the double result lies; so the result is always exactly
// the rounded formula.
struct Neighbourhood {
    std::array<double, 9> weights{};
    // Set when the formula is exact in double precision for every input (all its constants
    // are multiples of 1/4096 of modest size); then ties need no second look either.
    bool exact = false;
    unsigned channels = 7;  // bit 1 red, 2 green, 4 blue
    std::function<double(const std::array<int, 9>& values)> formula;
};

using Kernel3x3 = std::array<double, 9>;

// The nine kernel weights an effect's arguments start with, after checking that there are
// `argumentCount` numbers in all.
Kernel3x3 leadingKernel(const Arguments& args, int argumentCount);

// sum(kernel * values), in the order the kernels' exact fallback must use.
double weightedSum(const Kernel3x3& kernel, const std::array<int, 9>& values);

// True when every weight of the kernel keeps a neighbourhood formula exact (isFineDyadic).
bool isFineDyadicKernel(const Kernel3x3& kernel);

// True when `value` is a multiple of 1/4096 no larger than `limit` in magnitude, the kind of
// constant that keeps a neighbourhood formula exact in double precision.
bool isFineDyadic(double value, double limit);

// Runs the operation from `src` (ARGB32 or RGB32) into `dst`, made here in the same size
// and format. Throws kInvalidArgument, leaving `dst` alone, when the weights are too large to
// evaluate.
void applyNeighbourhood(const QImage& src, QImage& dst, const Neighbourhood& op);

}  // namespace imaging::effects
