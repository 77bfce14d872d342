#include <QDir>
#include <QImage>

#include "rotation/MonitorWallpaper.h"
#include "showlist/MonitorSettings.h"
#include "support/DesktopSession.h"
#include "support/FixedMonitors.h"
#include "support/TempFolder.h"

// What the rotation asks of a desktop where the real desktops cannot show it: a single
// monitor, a layout changing under a desktop that takes one image of the whole layout, and a
// store that cannot keep the choice. What each monitor shows in each mode is proven on real
// desktops (wallpaper/MultiMonitorTest.cpp, the tray journey).

namespace {

using rotation::MonitorMode;
using testing_support::FixedMonitors;

// A monitor of scale 2 on the left and one of scale 1 on the right.
const platform::MonitorLayout kTwo = {{"DP-2", {100, 0, 100, 50}, {100, 50}},
                                      {"DP-1", {0, 0, 100, 50}, {200, 100}}};

// The image of the whole layout has the finest scale's detail: each monitor's half is as many
// pixels as the scale-2 monitor has.
TEST(MonitorLayouts, TheWholeLayoutIsComposedAtTheFinestScale) {
    const rotation::LayoutCanvas canvas = rotation::layoutCanvas(platform::orderedLayout(kTwo));
    EXPECT_EQ(canvas.size, QSize(400, 100));
    EXPECT_EQ(canvas.regions, (std::vector<QRect>{{0, 0, 200, 100}, {200, 0, 200, 100}}));
}

// A desktop that takes one image of the whole layout, and notes each call.
class Desktop final : public rotation::WallpaperSetter {
public:
    QString apply(const QString&) override { return note("apply"); }
    QString applyAcross(const QString&, QString& keptFit) override {
        if (keptFit.isEmpty()) keptFit = "zoom";
        return note("across");
    }
    QString restoreFit(const QString& keptFit) override { return note("restore " + keptFit); }
    QStringList calls;

private:
    QString note(const QString& call) {
        calls << call;
        return {};
    }
};

// With one monitor, every mode is the plain wallpaper the desktop fits; a new layout is shown
// again without a rotation step, unless the desktop fits new monitors by itself.
TEST(MonitorLayouts, OneMonitorIsThePlainWallpaperAndANewLayoutIsShownAgain) {
    testing_support::TempFolder folder;
    const QString store = folder.filePath("ZARN.DAT");
    FixedMonitors monitors({kTwo[1]});
    Desktop desktop;
    rotation::MonitorWallpaper wallpaper(desktop, monitors, showlist::MonitorSettings(store),
                                         folder.path());
    const QString picture = folder.filePath("r.bmp");
    QImage(8, 8, QImage::Format_RGB32).save(picture);
    for (const MonitorMode mode : {MonitorMode::Same, MonitorMode::Each, MonitorMode::Span}) {
        wallpaper.setMode(mode);
        EXPECT_EQ(wallpaper.apply(picture), QString());
    }
    EXPECT_EQ(desktop.calls.join(u' '), "apply apply apply apply apply");

    monitors.plug(kTwo);
    EXPECT_TRUE(testing_support::waitFor([&] { return desktop.calls.size() == 6; }, 1000));
    EXPECT_EQ(desktop.calls.back(), "across");
    wallpaper.setMode(MonitorMode::Same);
    EXPECT_EQ(desktop.calls.mid(6), QStringList({"restore zoom", "apply"}));
    EXPECT_EQ(QDir(folder.filePath("monitors")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(showlist::MonitorSettings(store).read().count("Desktop fit"), 0u);
    monitors.plug({kTwo[0]});
    EXPECT_FALSE(testing_support::waitFor([&] { return desktop.calls.size() > 8; }, 1000));
}

// A store that cannot take the choice leaves it for this run, and says why.
TEST(MonitorLayouts, AChoiceTheStoreCannotKeepHoldsForTheRun) {
    testing_support::TempFolder folder;
    FixedMonitors monitors(kTwo);
    Desktop desktop;
    rotation::MonitorWallpaper wallpaper(
        desktop, monitors, showlist::MonitorSettings(folder.filePath("gone/ZARN.DAT")),
        folder.path());
    QString notKept;
    EXPECT_EQ(wallpaper.setMode(MonitorMode::Each, &notKept), QString());
    EXPECT_EQ(notKept, "cannot open the store: unable to open database file");
    EXPECT_EQ(wallpaper.mode(), MonitorMode::Each);
}

}  // namespace
