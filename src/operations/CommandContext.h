#pragma once

#include "imaging/ImgX.h"
#include "operations/OperationFrame.h"

class QWidget;

namespace platform {
class Prompter;
}

namespace operations {

// What an image command works with: the editor's image, the way to ask and tell the user,
// and the window the questions belong to.
struct CommandContext {
    imaging::ImgX& image;
    platform::Prompter& prompter;
    QWidget* window;
};

// The shape of a one-call command: the call under the trap, then its report.
template <typename Work>
void runCommand(const CommandContext& context, ReportStyle style, Work&& work,
                Reported which = Reported::PassOver) {
    OperationFrame frame(context.prompter, context.window);
    frame.step(std::forward<Work>(work));
    frame.report(style, which);
}

}  // namespace operations
