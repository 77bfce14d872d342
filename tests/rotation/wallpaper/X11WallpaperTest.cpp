#include <gtest/gtest.h>
#include <QImage>
#include <bit>

#include "WallpaperTestSupport.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/TempFolder.h"

// Xlib last: its macros (None, Bool, Status) collide with names in Qt and GoogleTest.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include "rotation/wallpaper/X11ErrorTrap.h"

namespace wallpaper_test {
namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff, kGreen = 0xff00ff00, kYellow = 0xffffff00;

// Green outer tenths that covering the 4:3 root must crop away, red then blue in between,
// along the image's longer side.
QImage stripes(QSize size) {
    const bool wide = size.width() > size.height();
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int tenth = wide ? x * 10 / size.width() : y * 10 / size.height();
            image.setPixel(x, y, tenth < 1 || tenth >= 9 ? kGreen : tenth < 5 ? kRed : kBlue);
        }
    }
    return image;
}

// A private X server of one depth (Xvfb picks a free display number), our own connection
// to it, and what the tests need to look at its root window.
class X11Screen {
public:
    explicit X11Screen(int depth)
        : xvfb_("Xvfb", {"-displayfd", "1", "-screen", "0",
                         QStringLiteral("%1x%2x%3").arg(kWidth).arg(kHeight).arg(depth),
                         "-nolisten", "tcp", "-noreset"}),
          name_(QLatin1Char(':') + xvfb_.address()) {
        if (!xvfb_.address().isEmpty()) display_ = XOpenDisplay(name_.toLatin1().constData());
        if (display_) root_ = DefaultRootWindow(display_);
    }
    ~X11Screen() {
        if (display_) XCloseDisplay(display_);
    }

    bool connected() const { return display_ != nullptr; }
    const QString& name() const { return name_; }

    void apply(const QImage& image) {
        const QString path = folder_.filePath(QStringLiteral("wallpaper %1.png").arg(++saved_));
        image.save(path);
        rotation::X11WallpaperSetter(name_).apply(path);
    }

    // The colours the root window shows, read back through the visual's masks.
    QImage rootPixels() {
        XImage* shown = XGetImage(display_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
        const auto channel = [](unsigned long pixel, unsigned long mask) {
            const int shift = std::countr_zero(mask);
            return int(((pixel & mask) >> shift) * 255 / (mask >> shift));
        };
        QImage pixels(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const unsigned long pixel = XGetPixel(shown, x, y);
                pixels.setPixel(
                    x, y,
                    qRgb(channel(pixel, visual->red_mask), channel(pixel, visual->green_mask),
                         channel(pixel, visual->blue_mask)));
            }
        }
        XDestroyImage(shown);
        return pixels;
    }

    Pixmap property(const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, root_, XInternAtom(display_, name, False), 0, 1, False,
                           XA_PIXMAP, &type, &format, &items, &after, &data);
        const Pixmap pixmap =
            type == XA_PIXMAP && items == 1 ? *reinterpret_cast<Pixmap*>(data) : 0;
        if (data) XFree(data);
        return pixmap;
    }

    bool exists(Pixmap pixmap) {
        rotation::X11ErrorTrap trap(display_);
        Window root = 0;
        int at = 0;
        unsigned size = 0;
        XGetGeometry(display_, pixmap, &root, &at, &at, &size, &size, &size, &size);
        return !trap.hadError();
    }

    // The pixmap another program that set the background and exited left on the server, named
    // by the root properties asked for (the other by an unrelated one; neither: none set).
    Pixmap previousBackground(bool inRootId, bool inEsetroot) {
        Display* other = XOpenDisplay(name_.toLatin1().constData());
        const Pixmap previous = XCreatePixmap(other, root_, 4, 4, DefaultDepth(other, 0));
        const Pixmap unrelated = XCreatePixmap(other, root_, 4, 4, DefaultDepth(other, 0));
        for (const auto& [property, named] :
             {std::pair{"_XROOTPMAP_ID", inRootId}, std::pair{"ESETROOT_PMAP_ID", inEsetroot}}) {
            const Pixmap pixmap = named ? previous : unrelated;
            if (inRootId || inEsetroot)
                XChangeProperty(other, root_, XInternAtom(other, property, False), XA_PIXMAP, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&pixmap),
                                1);
        }
        XSetCloseDownMode(other, RetainPermanent);
        XCloseDisplay(other);
        return previous;
    }

private:
    TestServer xvfb_;
    QString name_;
    Display* display_ = nullptr;
    Window root_ = 0;
    testing_support::TempFolder folder_;
    int saved_ = 0;
};

struct Point {
    int x, y;
    QRgb colour;
};

struct Picture {
    int depth;
    QSize size;
    std::vector<Point> expected;
    // Which root properties name another program's background pixmap beforehand. It may be
    // freed only when both do: that is how its owner agreed to be killed for it.
    bool inRootId, inEsetroot;
};

void PrintTo(const Picture& picture, std::ostream* out) {
    *out << picture.size.width() << 'x' << picture.size.height() << " at depth " << picture.depth
         << " after " << picture.inRootId << picture.inEsetroot;
}

class X11Root : public ::testing::TestWithParam<Picture> {};

TEST_P(X11Root, ShowsTheImageZoomedToCoverAndCentredThenReplacesIt) {
    const Picture& picture = GetParam();
    X11Screen screen(picture.depth);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    const Pixmap previous = screen.previousBackground(picture.inRootId, picture.inEsetroot);

    screen.apply(stripes(picture.size));
    const QImage shown = screen.rootPixels();
    for (const Point& point : picture.expected)
        EXPECT_EQ(shown.pixel(point.x, point.y), point.colour) << point.x << "," << point.y;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_NE(shown.pixel(x, y), kGreen) << "uncropped edge at " << x << "," << y;
    const Pixmap first = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(first && screen.exists(first));
    EXPECT_EQ(screen.property("ESETROOT_PMAP_ID"), first);
    EXPECT_EQ(screen.exists(previous), !(picture.inRootId && picture.inEsetroot));

    QImage yellow(10, 10, QImage::Format_RGB32);
    yellow.fill(kYellow);
    screen.apply(yellow);
    EXPECT_EQ(screen.rootPixels().pixel(0, 0), kYellow);
    EXPECT_EQ(screen.rootPixels().pixel(kWidth - 1, kHeight - 1), kYellow);
    const Pixmap latest = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(latest != first && screen.exists(latest));
    EXPECT_FALSE(screen.exists(first));
}

// On the 64x48 root the middle of the image shows: red, then blue from the middle on.
const std::vector<Point> kAcross = {{2, 2, kRed}, {29, 24, kRed}, {34, 24, kBlue}, {61, 45, kBlue}};
const std::vector<Point> kDown = {{2, 2, kRed}, {61, 20, kRed}, {2, 28, kBlue}, {61, 45, kBlue}};

INSTANTIATE_TEST_SUITE_P(wallpaper_pictures, X11Root,
                         ::testing::Values(Picture{24, {40, 24}, kAcross, true, true},
                                           Picture{24, {24, 40}, kDown, true, false},
                                           Picture{16, {40, 24}, kAcross, false, true},
                                           Picture{16, {24, 40}, kDown, false, false}));

TEST(wallpaper_x11, LeavesTheRootAloneForAnUnreadableFileOrDisplay) {
    X11Screen screen(24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    rotation::X11WallpaperSetter(screen.name()).apply(QStringLiteral("/nonexistent/a.png"));
    EXPECT_EQ(screen.property("_XROOTPMAP_ID"), 0u);

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(stripes({4, 3}).save(path));
    rotation::X11WallpaperSetter(QStringLiteral(":no-such-display")).apply(path);
}

}  // namespace
}  // namespace wallpaper_test
