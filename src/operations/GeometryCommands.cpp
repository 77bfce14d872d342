#include "operations/GeometryCommands.h"

#include <cmath>

#include "imaging/ImgX.h"
#include "operations/NumericText.h"
#include "platform/Prompter.h"

namespace operations {

void flip(const CommandContext& context, int direction) {
    runCommand(context, ReportStyle::Full, [&] { context.image.effects().Flip(direction, 0); });
}

void rotateQuarter(const CommandContext& context) {
    runCommand(context, ReportStyle::Short, [&] { context.image.effects().Rotate(90.0f, 0, 0); });
}

void rotateByAskedAngle(const CommandContext& context) {
    const std::optional<QString> answer =
        context.prompter.input(QStringLiteral("Enter degrees to rotate?  [1..359]"),
                               QStringLiteral("Image Rotation"), QString(), context.window);
    const float angle = float(leadingNumber(answer.value_or(QString())));
    if (!(angle >= 1.0f && angle <= 359.0f)) return;
    runCommand(context, ReportStyle::Short, [&] { context.image.effects().Rotate(angle, 0, 0); });
}

int proportionalHeight(int imageWidth, int imageHeight, int width) {
    const double proportion = double(imageHeight) / double(imageWidth);
    // nearbyint follows the default rounding mode, round-half-to-even.
    return int(std::nearbyint(proportion * width));
}

void resizeToWidth(const CommandContext& context, int width) {
    const int w = context.image.Width();
    if (w <= 50) return;
    runCommand(context, ReportStyle::Plain, [&] {
        context.image.effects().Resize(width, proportionalHeight(w, context.image.Height(), width),
                                       -1, -1, 0);
    });
}

void resizeToScreen(const CommandContext& context, QSize screen) {
    // The command has no report of its own; a failure still must not pass unnoticed.
    runCommand(context, ReportStyle::Plain,
               [&] { context.image.effects().Resize(screen.width(), screen.height(), -1, -1, 0); });
}

}  // namespace operations
