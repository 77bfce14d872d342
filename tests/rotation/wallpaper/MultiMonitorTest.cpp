#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QUrl>

#include "platform/monitors/X11Monitors.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/DesktopSession.h"
#include "support/PlasmaShell.h"

// Two monitors of different size on a real X server (Xorg's dummy driver, whose outputs are
// RandR outputs as a graphics card's are), and each desktop that runs on X: what each monitor
// shows in each mode, in the pixels the desktop draws or the image it is handed, the desktop's
// own fitting option put back, and an unplugged monitor shown for without a rotation step.

namespace wallpaper_test {

using namespace testing_support;
using rotation::MonitorMode;

namespace {

const QRect kHeads[] = {{0, 0, 1024, 768}, {1024, 0, 640, 480}};
const QRgb kFirstColour = qRgb(90, 20, 120);

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

QString gsettings(const QStringList& arguments) {
    return programOutput("gsettings",
                         QStringList{"get", "org.gnome.desktop.background"} + arguments);
}

QString pcmanfmMode() {
    return QSettings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/pcmanfm-qt/lxqt/settings.conf",
                     QSettings::IniFormat)
        .value("Desktop/WallpaperMode")
        .toString();
}

struct Desktop {
    const char* backend;
    // Brings up the desktop's components; empty when they run, else why not.
    std::function<QString(DesktopSession&)> start;
    // What the monitors show, as one image of the whole screen: the screen itself where the
    // desktop draws on this X server, else the image the desktop would draw across it.
    std::function<QImage()> shown = screenshot;
    // The desktop's own way of fitting a wallpaper, which a spanned picture changes.
    std::function<QString()> ownFit = [] { return QString(); };
};

void PrintTo(const Desktop& desktop, std::ostream* out) { *out << desktop.backend; }

const Desktop kDesktops[] = {
    {"x11", [](DesktopSession&) { return QString(); }},
    // dconf keeps what GNOME Shell would draw: the picture-uri image, spanned; a picture of one
    // colour shows that colour on each monitor, however the user fits it.
    {"gnome",
     [](DesktopSession& session) {
         return session.startOwnerOf("ca.desrt.dconf") +
                programOutput("gsettings",
                              {"set", "org.gnome.desktop.background", "picture-options", "scaled"});
     },
     [] {
         const QImage picture = QImage(QUrl(gsettings({"picture-uri"}).remove('\'')).toLocalFile())
                                    .convertToFormat(QImage::Format_RGB32);
         if (gsettings({"picture-options"}) == "'spanned'" || picture.isNull()) return picture;
         QImage each(1664, 768, QImage::Format_RGB32);
         each.fill(picture.pixel(0, 0));
         return each;
     },
     [] { return gsettings({"picture-options"}); }},
    // xfdesktop takes its workspaces from the window manager's hints, and may crash when an
    // image changes while it still loads the first: each monitor has one before it starts.
    {"xfce",
     [](DesktopSession& session) {
         QString problem = session.startOwnerOf("org.xfce.Xfconf");
         for (const auto& [hint, value] :
              {std::pair("_NET_NUMBER_OF_DESKTOPS", "1"), {"_NET_CURRENT_DESKTOP", "0"}})
             problem += programOutput("xprop", {"-root", "-f", hint, "32c", "-set", hint, value});
         QImage first(8, 8, QImage::Format_RGB32);
         first.fill(kFirstColour);
         first.save(session.folder("files/first.png"));
         for (const char* monitor : {"DUMMY0", "DUMMY1"})
             problem += programOutput(
                 "xfconf-query",
                 {"-c", "xfce4-desktop", "-p",
                  QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image").arg(monitor),
                  "-n", "-t", "string", "-s", session.folder("files/first.png")});
         if (problem.isEmpty())
             problem =
                 session.startOwnerOf("org.xfce.xfdesktop", {"xfdesktop", "--disable-wm-check"});
         if (problem.isEmpty() &&
             !waitFor([] { return headColour(screenshot(), kHeads[1]) == kFirstColour; }))
             problem = "xfdesktop drew nothing: " + session.report();
         return problem;
     }},
    // As startlxqt runs it: pcmanfm-qt draws one picture over the whole screen.
    {"lxqt",
     [](DesktopSession& session) {
         session.setVariable("XDG_CONFIG_DIRS", "/etc:/etc/xdg:/usr/share");
         const QString problem = session.startOwnerOf(
             "org.pcmanfm.PCManFM", {"pcmanfm-qt", "--desktop", "--profile=lxqt"});
         return problem.isEmpty() ? programOutput("pcmanfm-qt", {"--wallpaper-mode=fit"}) : problem;
     },
     screenshot, pcmanfmMode},
    {"kde", [](DesktopSession& session) { return startPlasma(session, 2); }},
};

class TwoMonitorScreen : public ::testing::Test {
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
    // Whether the desktop comes to show these colours on the left and the right monitor.
    static bool headsShow(const std::function<QImage()>& shown, QRgb left, QRgb right) {
        return waitFor([&] {
            const QImage screen = shown();
            return screen.width() >= 1664 && headColour(screen, kHeads[0]) == left &&
                   headColour(screen, kHeads[1]) == right;
        });
    }
    QStringList composed() const {
        return QDir(session_.folder("monitors")).entryList(QDir::Files);
    }

    DesktopSession session_;
    std::vector<HostileFile> files_;
    QString halves_;
};

class TwoMonitors : public TwoMonitorScreen, public ::testing::WithParamInterface<Desktop> {
protected:
    bool headsShow(int left, int right) const {
        return TwoMonitorScreen::headsShow(GetParam().shown, files_[left].colour,
                                           files_[right].colour);
    }
};

TEST_P(TwoMonitors, ShowEachModeAndAnUnpluggedMonitorWithoutAStep) {
    ASSERT_EQ(GetParam().start(session_), QString()) << "scripts/install-deps.sh installs them";
    const auto desktop =
        rotation::makeWallpaperSetter(GetParam().backend, QProcessEnvironment::systemEnvironment());
    platform::X11Monitors monitors({});
    rotation::MonitorWallpaper wallpaper(*desktop, monitors,
                                         showlist::MonitorSettings(session_.folder("ZARN.DAT")),
                                         session_.folder(""));
    const QString ownFit = GetParam().ownFit();

    // Each step on the next monitor, shown before the next: xfdesktop may crash on an image
    // changed while it still loads the one before.
    wallpaper.setMode(MonitorMode::Each);
    for (const auto& [step, left, right] : {std::tuple(0, 0, 0), {1, 0, 1}, {2, 2, 1}}) {
        EXPECT_EQ(wallpaper.apply(files_[step].path), QString());
        EXPECT_TRUE(headsShow(left, right)) << step;
    }

    wallpaper.setMode(MonitorMode::Span);
    EXPECT_EQ(wallpaper.apply(halves_), QString());
    EXPECT_TRUE(headsShow(4, 3));

    // The same picture on each, covering each monitor whatever the picture's shape.
    EXPECT_EQ(wallpaper.setMode(MonitorMode::Same), QString());
    EXPECT_EQ(wallpaper.apply(files_[5].path), QString());
    EXPECT_TRUE(headsShow(5, 5));

    // Unplugged while spanned: the one monitor left shows the plain wallpaper, without a step,
    // fitted the desktop's own way, and no composed image is left.
    wallpaper.setMode(MonitorMode::Span);
    EXPECT_EQ(wallpaper.apply(halves_), QString());
    ASSERT_NE(composed(), QStringList());
    ASSERT_EQ(programOutput("xrandr", {"--output", "DUMMY1", "--off"}), QString());
    EXPECT_TRUE(waitFor([&] { return composed().isEmpty(); }, 1500));
    EXPECT_EQ(GetParam().ownFit(), ownFit);
}

INSTANTIATE_TEST_SUITE_P(, TwoMonitors, ::testing::ValuesIn(kDesktops),
                         [](const auto& info) { return std::string(info.param.backend); });

// "Same" on the root window: each head covered by the picture as feh --bg-fill covers it,
// never cut at the seam; the filters differ a little at the edges of the colour halves.
TEST_F(TwoMonitorScreen, TheRootWindowFitsEachHeadAsFehDoes) {
    rotation::X11WallpaperSetter root({});
    platform::X11Monitors monitors({});
    rotation::MonitorWallpaper wallpaper(root, monitors,
                                         showlist::MonitorSettings(session_.folder("ZARN.DAT")),
                                         session_.folder(""));
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
}

}  // namespace
}  // namespace wallpaper_test
