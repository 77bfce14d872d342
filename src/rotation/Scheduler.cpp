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
    // A store that was never opened, or is readable and empty, has nothing to rotate: the
    // rotation stops until the window starts it again.
    if (!store_.isOpen()) return;
    int count = 0;
    if (!skipOnError([&] { count = store_.RecordCount(); })) {
        // Held by another program (a backup, a second writer) for longer than the busy
        // timeout: it is asked again at the next tick.
        rearm();
        return;
    }
    if (count < 1) return;

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
    rearm();
}

void Scheduler::stepNow() {
    Timer1.stop();
    Longest = 0;
    LongTime();
}

void Scheduler::pause() {
    if (paused_) return;
    paused_ = true;
    Timer1.stop();
    emit pausedChanged(true);
}

void Scheduler::resume() {
    if (!paused_) return;
    paused_ = false;
    Timer1.start();
    emit pausedChanged(false);
}

void Scheduler::rearm() {
    if (!paused_) Timer1.start();
}

void Scheduler::ChangeWallPaper(const QString& path) {
    // Recorded as showing whatever the answer: a tool that timed out or was interrupted may
    // well have changed the desktop, and the next run goes on after this image either way.
    ShowingWallPaper = path;
    tellOutcome(setter_.apply(path));
}

void Scheduler::tellOutcome(const QString& problem) {
    if (problem.isEmpty() == !failing_) return;
    failing_ = !problem.isEmpty();
    if (failing_)
        emit wallpaperFailing(problem);
    else
        emit wallpaperWorksAgain();
}

}  // namespace rotation
