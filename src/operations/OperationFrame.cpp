#include "operations/OperationFrame.h"

#include "platform/Prompter.h"

namespace operations {
namespace {

// Failures that come from below the engine (the C++ library) carry no number of their own;
// they are shown with the engine's "invalid argument" number rather than as a silent 0.
constexpr std::int32_t kUnexpectedFailure = imaging::kInvalidArgument;

}  // namespace

QString fullErrorText(const imaging::Error& error) {
    return shortErrorText(error) + QStringLiteral("\r\n\r\n") + error.description;
}

QString shortErrorText(const imaging::Error& error) {
    return QStringLiteral("Error: ") + QString::number(error.number);
}

OperationFrame::OperationFrame(platform::Prompter& prompter, QWidget* parent)
    : prompter_(prompter), parent_(parent) {}

bool OperationFrame::report(ReportStyle style, Reported which) {
    const std::optional<imaging::Error> error = std::exchange(last_, std::nullopt);
    if (!error || error->number == 0 || style == ReportStyle::Silent) return false;
    if (which == Reported::PassOver && error->number == imaging::kNoImage) return false;
    switch (style) {
        case ReportStyle::Full:
            prompter_.message(fullErrorText(*error), platform::Buttons::Ok,
                              platform::Icon::Exclamation, error->source, parent_);
            break;
        case ReportStyle::Short:
            prompter_.message(shortErrorText(*error), platform::Buttons::Ok,
                              platform::Icon::Exclamation, error->source, parent_);
            break;
        case ReportStyle::Plain:
            prompter_.message(error->description, platform::Buttons::Ok,
                              platform::Icon::Exclamation, QStringLiteral("Error"), parent_);
            break;
        case ReportStyle::Silent:
            break;
    }
    return true;
}

imaging::Error OperationFrame::outOfMemory() {
    return imaging::Error(imaging::kOutOfMemory,
                          QStringLiteral("There is not enough memory for this operation."));
}

imaging::Error OperationFrame::unexpected(const std::exception& error) {
    return imaging::Error(kUnexpectedFailure, QString::fromLocal8Bit(error.what()),
                          QStringLiteral("Quorvane"));
}

}  // namespace operations
