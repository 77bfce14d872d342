#pragma once

#include "imaging/ImgX.h"
#include "operations/CommandContext.h"

namespace operations {

// The filters of the Action menu and the constants they hand to the engine.

// All ones around a centre of -8.03: with the engine's p - f * sum, a positive factor lifts
// a pixel by how much it stands out from its neighbours.
imaging::Kernel3x3 edgeKernel();
imaging::Kernel3x3 identityKernel();
// A weighted average: the centre 0.2, each neighbour 0.125 - 0.2 / 8 = 0.1.
imaging::Kernel3x3 softenKernel();
// The edge factors of High, Medium and Low (menu index 0, 1, 2).
double edgeFactor(int index);

void edgeEnhance(const CommandContext& context, int index);
void intensify(const CommandContext& context);
void grayscale(const CommandContext& context);
void soften(const CommandContext& context);
// A refused sharpen is passed over in silence.
void sharpen(const CommandContext& context, int percent);

}  // namespace operations
