#include "imaging/effects/Filter3x3.h"

#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Neighbourhood.h"

namespace imaging::effects {

void filter3x3(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 11);
    std::array<double, 9> kernel;
    std::copy_n(args.numbers.begin(), 9, kernel.begin());
    const double factor = args.numbers[9];
    Neighbourhood op;
    op.exact = isFineDyadic(factor, 64);
    for (int i = 0; i < 9; ++i) {
        op.weights[i] = (i == 4 ? 1.0 : 0.0) - factor * kernel[i];
        op.exact = op.exact && isFineDyadic(kernel[i], 64);
    }
    op.formula = [kernel, factor](const std::array<int, 9>& values) {
        double sum = 0;
        for (int i = 0; i < 9; ++i) sum += kernel[i] * values[i];
        return values[4] - factor * sum;
    };
    applyNeighbourhood(image, dst, op);
}

}  // namespace imaging::effects
