#pragma once

#include <QDeadlineTimer>

#include "rotation/wallpaper/ProgramRunner.h"

namespace rotation {

// The programs of one wallpaper change, run one after another within one time budget. Once a
// program cannot be started, runs out of time or is stopped because Quorvane is ending,
// nothing more is started for this change.
class ProgramSequence {
public:
    explicit ProgramSequence(ProgramRunner run, int budgetMs = kWallpaperChangeBudgetMs);

    // Runs the program with what is left of the budget; true when it succeeded.
    bool run(const QString& program, const QStringList& arguments);
    // Why the first program that failed did, for the user; empty while all succeeded.
    const QString& problem() const { return problem_; }
    // The result of the program run last.
    const platform::ProcessResult& last() const { return last_; }

private:
    ProgramRunner run_;
    QDeadlineTimer deadline_;
    bool cutShort_ = false;
    QString problem_;
    platform::ProcessResult last_;
};

}  // namespace rotation
