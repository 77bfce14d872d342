#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>

#include "rotation/LayoutImages.h"
#include "rotation/MonitorMode.h"
#include "rotation/WallpaperSetter.h"
#include "showlist/MonitorSettings.h"

namespace platform {
class MonitorSource;
}

namespace rotation {

// Stands between the rotation and the desktop's setter and decides what each monitor shows:
// the step's picture on every monitor, on the next monitor in turn, or across them all.
// With a single monitor every mode is the plain wallpaper. The mode, each monitor's picture
// and the desktop's own fitting option live in the store, so a restart goes on where this
// run stopped; a store that cannot keep them leaves them in memory for this run.
class MonitorWallpaper final : public QObject, public WallpaperSetter {
    Q_OBJECT
public:
    MonitorWallpaper(WallpaperSetter& desktop, platform::MonitorSource& monitors,
                     showlist::MonitorSettings settings, const QString& programFolder,
                     QObject* parent = nullptr);

    // A rotation step's picture, shown as the mode says.
    QString apply(const QString& path) override;
    // The picture the desktop shows from before this run, which a new layout or mode shows
    // again until the first step.
    void setShowing(const QString& path) { latest_ = path; }

    // The mode as the store has it (another copy may have changed it), else this run's.
    MonitorMode mode();
    // Shows the pictures anew in the new mode. `keptProblem` gets why the store could not
    // keep the choice, or empty; the result, why the desktop did not take the pictures.
    QString setMode(MonitorMode mode, QString* keptProblem = nullptr);

signals:
    // The layout changed and the pictures were shown for the new one; problem as apply()'s.
    void shownForNewLayout(const QString& problem);

private:
    void readStore();
    void keep(const std::map<QString, std::optional<QString>>& values);
    void layoutSettled();
    QString show(const platform::MonitorLayout& layout);
    QString showSame(const platform::MonitorLayout& layout);
    QString showParts(const platform::MonitorLayout& layout, const std::vector<QString>& paths);
    QString showComposed(const platform::MonitorLayout& layout, const std::vector<QString>& paths);

    WallpaperSetter& desktop_;
    platform::MonitorSource& monitors_;
    showlist::MonitorSettings settings_;
    ComposedFiles composed_;
    QTimer settle_;

    MonitorMode mode_ = MonitorMode::Same;
    // The latest step's picture.
    QString latest_;
    // In "each": the picture of every monitor that has had one, by monitorKey(), and the
    // monitor that had the latest.
    std::map<QString, QString> pictures_;
    QString lastMonitor_;
    QString keptFit_;
    platform::MonitorLayout shownLayout_;
};

}  // namespace rotation
