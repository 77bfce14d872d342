#include "imaging/effects/Convolve.h"

#include <cmath>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Neighbourhood.h"

namespace imaging::effects {

namespace {

// A power of two that keeps a fine dyadic sum exact when dividing by it.
bool isModestPowerOfTwo(double value) {
    int exponent = 0;
    return std::abs(std::frexp(value, &exponent)) == 0.5 && exponent >= -11 && exponent <= 13;
}

}  // namespace

void convolve(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    const Kernel3x3 kernel = leadingKernel(args, 14);
    const double divisor = args.numbers[9];
    if (divisor == 0) throw Error(kInvalidArgument, QStringLiteral("The divisor must not be 0."));
    const double mask = args.numbers[10];
    if (!(mask >= 0 && mask <= 7 && mask == std::floor(mask)))
        throw Error(kInvalidArgument,
                    QStringLiteral("The channel mask must be a whole number from 0 to 7."));
    Neighbourhood op;
    op.channels = unsigned(mask);
    op.exact = isModestPowerOfTwo(divisor) && isFineDyadicKernel(kernel);
    for (int i = 0; i < 9; ++i) op.weights[i] = kernel[i] / divisor;
    op.formula = [kernel, divisor](const std::array<int, 9>& values) {
        return weightedSum(kernel, values) / divisor;
    };
    applyNeighbourhood(image, dst, op);
}

}  // namespace imaging::effects
