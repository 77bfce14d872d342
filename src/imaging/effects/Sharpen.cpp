#include "imaging/effects/Sharpen.h"

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Flip.h"
#include "imaging/effects/Neighbourhood.h"

namespace imaging::effects {

void sharpen(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 2);
    const double percent = args.numbers[0];
    if (!(percent >= 0 && percent <= 1000))
        throw Error(kInvalidArgument, QStringLiteral("The percentage must be from 0 to 1000."));
    if (percent == 0) {
        prepareTarget(dst, image.width(), image.height(), image.format());
        mirrorInto(image, dst, false, false);
        return;
    }
    static constexpr std::array<int, 9> kBlur = {1, 2, 1, 2, 4, 2, 1, 2, 1};
    const double amount = percent / 100;
    Neighbourhood op;
    op.exact = isFineDyadic(amount, 10);
    for (int i = 0; i < 9; ++i) op.weights[i] = (i == 4 ? 1 + amount : 0) - amount * kBlur[i] / 16;
    op.formula = [amount](const std::array<int, 9>& values) {
        int blurSum = 0;
        for (int i = 0; i < 9; ++i) blurSum += kBlur[i] * values[i];
        const double p = values[4];
        return p + amount * (p - blurSum / 16.0);
    };
    applyNeighbourhood(image, dst, op);
}

}  // namespace imaging::effects
