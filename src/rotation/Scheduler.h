#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace showlist {
class RecordSet;
}

namespace rotation {

class WallpaperSetter;

// One tick of the rotation, a little over a minute: display times are counted in ticks.
constexpr int kDefaultTickMs = 60006;

// Walks the stored show list: each tick that finds the main window hidden counts down the
// current image's display time and, once it is used up, makes the next record (wrapping to
// the first) the wallpaper. The store's current record is the only cursor.
class Scheduler final : public QObject {
    Q_OBJECT
public:
    Scheduler(showlist::RecordSet& store, WallpaperSetter& setter,
              std::function<bool()> mainWindowVisible, int tickMs, QObject* parent = nullptr);

    // Path of the image the rotation regards as the wallpaper now: the current record's,
    // which start-up places one past the saved wallpaper before anything is shown.
    QString OldWallPaper;
    // Path of the image last applied in this run, or the saved wallpaper until the first
    // change: what the desktop shows, and so what is recorded at exit.
    QString ShowingWallPaper;
    // Ticks left for the current image; below 1 means the next step changes the image.
    qint16 Longest = 0;
    // Starts enabled: the first tick pauses the rotation if the main window is showing.
    QTimer Timer1;

    void Timer1_Timer();
    // One step of the rotation, then the timer re-armed unless the rotation is paused.
    void LongTime();
    // The step the end of a display time brings, taken now: the next entry is applied and
    // its display time starts afresh.
    void stepNow();
    // A pause stops the ticks and keeps Longest and the cursor; it lasts until resume(),
    // whatever else re-arms the rotation meanwhile.
    void pause();
    void resume();
    bool isPaused() const { return paused_; }
    // Asks the desktop to show the image. A failure changes nothing in the rotation; it is
    // reported once per run of failures, and the first success after them is reported too.
    void ChangeWallPaper(const QString& path);
    // What the desktop answered to a change, this one's or one made outside the rotation
    // (the pictures shown again for a new monitor layout): empty when it took it.
    void tellOutcome(const QString& problem);

signals:
    // The first change in a row that the desktop did not take, and why.
    void wallpaperFailing(const QString& reason);
    // The first change the desktop took after failures.
    void wallpaperWorksAgain();
    void pausedChanged(bool paused);

private:
    showlist::RecordSet& store_;
    WallpaperSetter& setter_;
    std::function<bool()> mainWindowVisible_;
    // Starts the next tick, unless the user has paused the rotation.
    void rearm();

    bool failing_ = false;
    bool paused_ = false;
};

}  // namespace rotation
