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

    // Path of the image the rotation regards as the wallpaper now.
    QString OldWallPaper;
    // Ticks left for the current image; below 1 means the next step changes the image.
    qint16 Longest = 0;
    // Starts enabled: the first tick pauses the rotation if the main window is showing.
    QTimer Timer1;

    void Timer1_Timer();
    // One step of the rotation, then the timer re-armed.
    void LongTime();
    void ChangeWallPaper(const QString& path);

private:
    showlist::RecordSet& store_;
    WallpaperSetter& setter_;
    std::function<bool()> mainWindowVisible_;
};

}  // namespace rotation
