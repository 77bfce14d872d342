#include "operations/FilterCommands.h"

#include <array>

namespace operations {

imaging::Kernel3x3 edgeKernel() { return {1.0, 1.0, 1.0, 1.0, -8.03, 1.0, 1.0, 1.0, 1.0}; }

imaging::Kernel3x3 identityKernel() { return {0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0}; }

imaging::Kernel3x3 softenKernel() {
    const double centre = 0.2;
    const double around = 0.125 - centre / 8;
    return {around, around, around, around, centre, around, around, around, around};
}

double edgeFactor(int index) {
    static constexpr std::array<double, 3> kFactors = {0.3, 0.125, 0.057};
    return kFactors.at(std::size_t(index));
}

void edgeEnhance(const CommandContext& context, int index) {
    runCommand(context, ReportStyle::Full,
               [&] { context.image.effects().Filter3x3(edgeKernel(), edgeFactor(index), 0); });
}

void intensify(const CommandContext& context) {
    runCommand(context, ReportStyle::Full,
               [&] { context.image.effects().Filter3x3(identityKernel(), -0.2, 0); });
}

void grayscale(const CommandContext& context) {
    runCommand(context, ReportStyle::Full, [&] { context.image.effects().Grayscale(0); });
}

void soften(const CommandContext& context) {
    runCommand(context, ReportStyle::Full,
               [&] { context.image.effects().Convolve(softenKernel(), 1.0, 7, 0, 0, 0); });
}

void sharpen(const CommandContext& context, int percent) {
    runCommand(context, ReportStyle::Silent, [&] { context.image.effects().Sharpen(percent, 0); });
}

}  // namespace operations
