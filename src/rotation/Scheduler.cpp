#include "Scheduler.h"

#include "WallpaperSetter.h"
#include "platform/SkipOnError.h"
#include "showlist/RecordSet.h"
#include "showlist/ViewTime.h"

namespace rotation {

using platform::skipOnError;

Scheduler::Scheduler(showlist::RecordSet& store, WallpaperSetter& setter,
                     std::function<bool()> mainWindowVisible, int tickMs, QObject* parent)
    : QObject(parent),
      store_(store),
      setter_(setter),
      mainWindowVisible_(std::move(mainWindowVisible)) {
    Timer1.setInterval(tickMs);
    connect(&Timer1, &QTimer::timeout, this, &Scheduler::Timer1_Timer);
    Timer1.start();
}

void Scheduler::Timer1_Timer() {
    // Stopped before any work and re-armed by LongTime as its last step, so a slow wallpaper
    // change can never let two ticks overlap.
    Timer1.stop();
    if (!mainWindowVisible_()) LongTime();
}

void Scheduler::LongTime() {
    int count = 0;
    // An unreadable store counts as an empty one: nothing to rotate.
    if (!skipOnError([&] { count = store_.RecordCount(); }) || count < 1) return;

    if (Longest < 1) {
        skipOnError([&] { store_.MoveNext(); });
        bool atEnd = true;
        skipOnError([&] { atEnd = store_.Eof(); });
        if (atEnd) skipOnError([&] { store_.MoveFirst(); });
        // A field that cannot be read keeps the previous value: the entry still takes its
        // turn, and a bad display time leaves Longest below 1 so it lasts a single tick.
        skipOnError([&] {
            if (const auto path = store_.Fields(QStringLiteral("Path"))) OldWallPaper = *path;
        });
        skipOnError([&] {
            if (const auto ticks = showlist::toInt16(store_.Fields(QStringLiteral("ViewTime"))))
                Longest = *ticks;
        });
        if (OldWallPaper.size() > 2) ChangeWallPaper(OldWallPaper);
    } else {
        --Longest;
    }
    Timer1.start();
}

void Scheduler::ChangeWallPaper(const QString& path) {
    const QString problem = setter_.apply(path);
    if (problem.isEmpty() == !failing_) return;
    failing_ = !problem.isEmpty();
    if (failing_)
        emit wallpaperFailing(problem);
    else
        emit wallpaperWorksAgain();
}

}  // namespace rotation
