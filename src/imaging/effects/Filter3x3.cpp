#include "imaging/effects/Filter3x3.h"

#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Neighbourhood.h"

namespace imaging::effects {

void filter3x3(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    const Kernel3x3 kernel = leadingKernel(args, 11);
    const double factor = args.numbers[9];
    Neighbourhood op;
    op.exact = isFineDyadic(factor, 64) && isFineDyadicKernel(kernel);
    for (int i = 0; i < 9; ++i) op.weights[i] = (i == 4 ? 1.0 : 0.0) - factor * kernel[i];
    op.formula = [kernel, factor](const std::array<int, 9>& values) {
        return values[4] - factor * weightedSum(kernel, values);
    };
    applyNeighbourhood(image, dst, op);
}

}  // namespace imaging::effects
