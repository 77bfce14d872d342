#include "operations/BackgroundCommand.h"

#include <cmath>

namespace operations {
namespace {

// nearbyint follows the default rounding mode, round-half-to-even.
int roundHalfEven(double value) { return int(std::nearbyint(value)); }

// One 0.85 step; false when it failed or no longer makes the copy smaller (a side of one or
// two pixels stays as it is), so the loops around it always end.
bool shrinkOnce(imaging::ImgX& copy) {
    const int width = copy.Width(), height = copy.Height();
    try {
        copy.effects().Resize(roundHalfEven(width * 0.85), roundHalfEven(height * 0.85), -1, -1, 0);
    } catch (const imaging::Error&) {
        return false;
    }
    return copy.Width() < width || copy.Height() < height;
}

}  // namespace

void composeBackground(const CommandContext& context, QSize screen, QRgb colour) {
    OperationFrame frame(context.prompter, context.window);
    imaging::ImgX canvas, copy;
    frame.step([&] { copy.canvas().LoadFromPicture(context.image.files().Picture(), 0); });
    frame.clear();
    const bool made = frame.attempt([&] {
        canvas.effects().CreateBlank(screen.width(), screen.height(), int(colour & 0xFFFFFFu), 0, 0,
                                     0);
    });
    if (!made) frame.report(ReportStyle::Plain, Reported::AnyError);
    // The picture is put together on the canvas and handed over whole, so the command is
    // one step to undo.
    imaging::ImgX& target = made ? canvas : context.image;
    while (!copy.IsEmpty() && copy.Width() >= target.Width() && shrinkOnce(copy)) {
    }
    while (!copy.IsEmpty() && copy.Height() >= target.Height() && shrinkOnce(copy)) {
    }
    frame.step([&] {
        target.effects().Merge(copy, roundHalfEven((target.Width() - copy.Width()) / 2.0),
                               roundHalfEven((target.Height() - copy.Height()) / 2.0), 100, -1, 0);
    });
    if (made)
        frame.step([&] { context.image.canvas().Assign(canvas, QStringLiteral("New Image")); });
    frame.clear();
}

}  // namespace operations
