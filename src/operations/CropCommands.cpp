#include "operations/CropCommands.h"

#include <algorithm>
#include <cmath>

namespace operations {
namespace {

// nearbyint follows the default rounding mode, round-half-to-even.
int roundHalfEven(double value) { return int(std::nearbyint(value)); }

}  // namespace

QRect centrePart(int width, int height) {
    const int keptWidth = std::max(50, roundHalfEven(width / 1.13));
    const int keptHeight = std::max(50, roundHalfEven(height / 1.13));
    return {roundHalfEven((width - keptWidth) / 2.0), roundHalfEven((height - keptHeight) / 2.0),
            keptWidth, keptHeight};
}

void cropToSelection(const CommandContext& context, const QRect& selection,
                     const std::function<void()>& afterCrop) {
    OperationFrame frame(context.prompter, context.window);
    frame.step([&] {
        context.image.effects().Crop(selection.x(), selection.y(), selection.width(),
                                     selection.height(), 0);
    });
    frame.step(afterCrop);
    frame.report(ReportStyle::Plain, Reported::AnyError);
}

void cropCentre(const CommandContext& context, const std::function<void()>& afterCrop) {
    OperationFrame frame(context.prompter, context.window);
    const QRect part = centrePart(context.image.Width(), context.image.Height());
    frame.step(
        [&] { context.image.effects().Crop(part.x(), part.y(), part.width(), part.height(), 0); });
    frame.step(afterCrop);
    frame.report(ReportStyle::Silent);
}

}  // namespace operations
