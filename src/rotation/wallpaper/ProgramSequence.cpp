#include "ProgramSequence.h"

namespace rotation {

ProgramSequence::ProgramSequence(ProgramRunner run, int budgetMs)
    : run_(std::move(run)), deadline_(budgetMs) {}

bool ProgramSequence::run(const QString& program, const QStringList& arguments) {
    if (cutShort_) return false;
    if (deadline_.hasExpired()) {
        cutShort_ = true;
        if (problem_.isEmpty())
            problem_ =
                QStringLiteral("%1 was not started: the change had run out of time.").arg(program);
        return false;
    }
    last_ = run_(program, arguments, int(deadline_.remainingTime()));
    cutShort_ = !last_.started || last_.timedOut || last_.interrupted;
    if (last_.succeeded()) return true;
    if (problem_.isEmpty()) problem_ = platform::describeFailure(program, last_);
    return false;
}

}  // namespace rotation
