#include <QImage>
#include <QPainter>

#include "platform/monitors/X11Monitors.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/DesktopSession.h"

// Two monitors of different size on a real X server (Xorg's dummy driver, whose outputs are
// RandR outputs as a graphics card's are): what each monitor shows in each mode, compared in
// the screen's pixels, with the root window and with xfdesktop drawing it.

namespace wallpaper_test {

using namespace testing_support;
using rotation::MonitorMode;

namespace {

const QRect kHeads[] = {{0, 0, 1024, 768}, {1024, 0, 640, 480}};

// The colour a head shows all over, within a margin that a desktop's icons keep clear of;
// 0 when it shows more than one.
QRgb headColour(const QImage& screen, const QRect& head) {
    const QRect inner(head.center().x(), head.center().y(), head.width() / 3, head.height() / 3);
    const QRgb first = screen.pixel(inner.topLeft());
    for (int y = inner.top(); y <= inner.bottom(); y += 3)
        for (int x = inner.left(); x <= inner.right(); x += 3)
            if (screen.pixel(x, y) != first) return 0;
    return first;
}

bool headsShow(std::vector<QRgb> colours) {
    return waitFor([&] {
        const QImage screen = screenshot();
        return screen.width() >= 1664 && headColour(screen, kHeads[0]) == colours[0] &&
               headColour(screen, kHeads[1]) == colours[1];
    });
}

class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session_.problem(), QString());
        ASSERT_EQ(session_.startMonitors({"1024x768", "640x480"}), QString())
            << "scripts/install-deps.sh installs xserver-xorg-video-dummy";
        files_ = session_.writeHostileFiles({64, 48});
        // Its left 1024 columns of one colour and the rest of another: spanned, each head
        // shows one colour.
        QImage halves(1664, 768, QImage::Format_RGB32);
        halves.fill(files_[3].colour);
        QPainter(&halves).fillRect(0, 0, 1024, 768, QColor(files_[4].colour));
        halves_ = session_.folder("files/halves.png");
        halves.save(halves_);
    }
    showlist::MonitorSettings settings() const {
        return showlist::MonitorSettings(session_.folder("ZARN.DAT"));
    }

    DesktopSession session_;
    std::vector<HostileFile> files_;
    QString halves_;
};

TEST_F(TwoMonitors, TheRootWindowFitsEachHeadAsFehDoesAndShowsEachMode) {
    rotation::X11WallpaperSetter root({});
    platform::X11Monitors monitors({});
    rotation::MonitorWallpaper wallpaper(root, monitors, settings(), session_.folder(""));

    // "Same": each head covered by the picture as feh --bg-fill covers it, never cut at the
    // seam; the filters differ a little at the edges of the colour halves.
    ASSERT_EQ(wallpaper.apply(halves_), QString());
    const QImage ours = screenshot();
    ASSERT_EQ(programOutput("feh", {"--no-fehbg", "--bg-fill", halves_}), QString());
    const QImage fehs = screenshot();
    ASSERT_EQ(ours.size(), fehs.size());
    for (const QRect& head : kHeads) {
        qint64 differing = 0;
        for (int y = head.top(); y <= head.bottom(); ++y)
            for (int x = head.left(); x <= head.right(); ++x)
                differing += qAbs(qRed(ours.pixel(x, y)) - qRed(fehs.pixel(x, y))) > 8;
        EXPECT_LT(differing, head.height() * 4) << head.x();
    }

    wallpaper.setMode(MonitorMode::Each);
    for (int i : {0, 1, 2}) EXPECT_EQ(wallpaper.apply(files_[i].path), QString());
    EXPECT_TRUE(headsShow({files_[2].colour, files_[1].colour}));

    wallpaper.setMode(MonitorMode::Span);
    EXPECT_EQ(wallpaper.apply(halves_), QString());
    EXPECT_TRUE(headsShow({files_[4].colour, files_[3].colour}));

    // Unplugged, the one monitor left shows the whole picture, without a rotation step.
    ASSERT_EQ(programOutput("xrandr", {"--output", "DUMMY1", "--off"}), QString());
    EXPECT_TRUE(waitFor([] { return headColour(screenshot(), kHeads[0]) == 0; }, 1500));
}

}  // namespace
}  // namespace wallpaper_test
