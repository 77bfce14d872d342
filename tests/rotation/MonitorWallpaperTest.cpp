#include <QDir>
#include <QImage>
#include <QPainter>

#include "rotation/MonitorWallpaper.h"
#include "showlist/MonitorSettings.h"
#include "support/DesktopSession.h"
#include "support/FixedMonitors.h"
#include "support/TempFolder.h"

// What each monitor comes to show, mode by mode, for the three ways a desktop takes pictures:
// a file per monitor that it fits itself, a file per monitor that the setter draws, or one
// image of the whole layout. Pictures are solid colours, and the one spanned is two solid
// halves, so what a monitor shows is one colour a plain reading can tell.

namespace {

using platform::Monitor;
using rotation::MonitorMode;
using testing_support::FixedMonitors;

// A monitor of scale 2 on the left and one of scale 1 on the right: the composed layout is
// 400 x 100 device pixels, each monitor's half 200 x 100.
const platform::MonitorLayout kTwo = {{"DP-2", {100, 0, 100, 50}, {100, 50}},
                                      {"DP-1", {0, 0, 100, 50}, {200, 100}}};
const QRect kRegions[] = {{0, 0, 200, 100}, {200, 0, 200, 100}};

enum class Takes { FilesFitted, FilesDrawn, WholeLayout };

// A desktop that shows what it is given, and tells what each monitor shows as a word per
// monitor: the colour's letter, or "*" for a monitor showing more than one colour.
class Desktop final : public rotation::WallpaperSetter {
public:
    explicit Desktop(Takes takes) : takes_(takes) {}
    QString apply(const QString& path) override {
        return show("apply", std::vector<QImage>(2, QImage(path)));
    }
    bool addressesMonitors() const override { return takes_ != Takes::WholeLayout; }
    bool desktopFitsMonitors() const override { return takes_ != Takes::FilesDrawn; }
    QString applyEach(const std::vector<rotation::MonitorPicture>& pictures) override {
        std::vector<QImage> images;
        for (const auto& picture : pictures) images.emplace_back(picture.path);
        return show("each", images);
    }
    QString applyAcross(const QString& path, QString& keptFit) override {
        if (keptFit.isEmpty()) keptFit = "zoom";
        const QImage whole(path);
        if (whole.size() != QSize(400, 100)) return show("across", {});
        return show("across", {whole.copy(kRegions[0]), whole.copy(kRegions[1])});
    }
    QString restoreFit(const QString& keptFit) override {
        calls << "restore " + keptFit;
        return {};
    }
    QStringList calls;
    QString shown;

private:
    QString show(const QString& call, const std::vector<QImage>& monitors) {
        calls << call;
        QStringList words;
        for (const QImage& image : monitors) {
            const QRgb first = image.isNull() ? 0 : image.pixel(0, 0);
            bool solid = !image.isNull();
            for (int y = 0; solid && y < image.height(); ++y)
                for (int x = 0; solid && x < image.width(); ++x) solid = image.pixel(x, y) == first;
            words << (!solid ? "*"
                             : QString(QChar(char(qRed(first)     ? 'R'
                                                  : qGreen(first) ? 'G'
                                                                  : 'B'))));
        }
        shown = words.join(u' ');
        return {};
    }
    Takes takes_;
};

struct Row {
    Takes takes;
    MonitorMode mode;
    // What the monitors show after R, after G, after a restart and B, after the two-coloured
    // picture (R on its left half, G on its right), and after going back to "same".
    const char* shown;
    const char* calls;  // every call, in order
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << int(row.takes) << "/" << rotation::monitorModeName(row.mode).toStdString();
}

class MonitorModes : public ::testing::TestWithParam<Row> {};

TEST_P(MonitorModes, ShowWhatTheySayAndARestartGoesOn) {
    const Row& row = GetParam();
    testing_support::TempFolder folder;
    const QString store = folder.filePath("ZARN.DAT");
    const auto picture = [&](const char* name, std::initializer_list<Qt::GlobalColor> halves) {
        QImage image(400, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        const int width = 400 / int(halves.size());
        int x = 0;
        for (const Qt::GlobalColor colour : halves) {
            painter.fillRect(x, 0, width, 100, colour);
            x += width;
        }
        painter.end();
        const QString path = folder.filePath(name);
        image.save(path, "BMP");
        return path;
    };
    const QString r = picture("r.bmp", {Qt::red}), g = picture("g.bmp", {Qt::green}),
                  b = picture("b.bmp", {Qt::blue}),
                  halves = picture("rg.bmp", {Qt::red, Qt::green});
    FixedMonitors monitors(kTwo);
    Desktop desktop(row.takes);
    QStringList shown;
    {
        rotation::MonitorWallpaper first(desktop, monitors, showlist::MonitorSettings(store),
                                         folder.path());
        EXPECT_EQ(first.setMode(row.mode), QString());
        for (const QString& path : {r, g}) {
            EXPECT_EQ(first.apply(path), QString());
            shown << desktop.shown;
        }
    }
    rotation::MonitorWallpaper again(desktop, monitors, showlist::MonitorSettings(store),
                                     folder.path());
    EXPECT_EQ(again.mode(), row.mode);
    for (const QString& path : {b, halves}) {
        EXPECT_EQ(again.apply(path), QString());
        shown << desktop.shown;
    }
    EXPECT_EQ(again.setMode(MonitorMode::Same), QString());
    shown << desktop.shown;
    EXPECT_EQ(shown.join(" | "), row.shown);
    EXPECT_EQ(desktop.calls.join(u' '), row.calls);
    // Composed pictures live in the program folder and only while shown.
    EXPECT_EQ(QDir(folder.filePath("monitors")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(showlist::MonitorSettings(store).read().count("Desktop fit"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    , MonitorModes,
    ::testing::Values(Row{Takes::FilesFitted, MonitorMode::Same, "R R | G G | B B | * * | * *",
                          "apply apply apply apply apply"},
                      Row{Takes::FilesFitted, MonitorMode::Each, "R R | R G | B G | B * | * *",
                          "each each each each apply"},
                      Row{Takes::FilesFitted, MonitorMode::Span, "R R | G G | B B | R G | * *",
                          "each each each each apply"},
                      Row{Takes::FilesDrawn, MonitorMode::Same, "R R | G G | B B | * * | * *",
                          "each each each each each"},
                      Row{Takes::FilesDrawn, MonitorMode::Each, "R R | R G | B G | B * | * *",
                          "each each each each each"},
                      Row{Takes::WholeLayout, MonitorMode::Each, "R R | R G | B G | B * | * *",
                          "across across across across restore zoom apply"},
                      Row{Takes::WholeLayout, MonitorMode::Span, "R R | G G | B B | R G | * *",
                          "across across across across restore zoom apply"}));

// With one monitor, every mode is the plain wallpaper the desktop fits; a new layout is shown
// again without a rotation step, unless the desktop fits new monitors by itself.
TEST(MonitorLayouts, OneMonitorIsThePlainWallpaperAndANewLayoutIsShownAgain) {
    testing_support::TempFolder folder;
    const QString store = folder.filePath("ZARN.DAT");
    FixedMonitors monitors({kTwo[1]});
    Desktop desktop(Takes::WholeLayout);
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
    monitors.plug({kTwo[0]});
    EXPECT_FALSE(testing_support::waitFor([&] { return desktop.calls.size() > 8; }, 1000));
}

// A store that cannot take the choice leaves it for this run, and says why.
TEST(MonitorLayouts, AChoiceTheStoreCannotKeepHoldsForTheRun) {
    testing_support::TempFolder folder;
    FixedMonitors monitors(kTwo);
    Desktop desktop(Takes::FilesFitted);
    rotation::MonitorWallpaper wallpaper(
        desktop, monitors, showlist::MonitorSettings(folder.filePath("gone/ZARN.DAT")),
        folder.path());
    QString notKept;
    EXPECT_EQ(wallpaper.setMode(MonitorMode::Each, &notKept), QString());
    EXPECT_EQ(notKept, "cannot open the store: unable to open database file");
    EXPECT_EQ(wallpaper.mode(), MonitorMode::Each);
}

}  // namespace
