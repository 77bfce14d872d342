#include "TestServer.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <QImage>
#include <bit>
#include <memory>
#include <vector>

// Xlib last: its macros (None, Bool, Status) collide with names in Qt and GoogleTest.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include "rotation/wallpaper/X11ErrorTrap.h"

namespace wallpaper_test {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kYellow = 0xffffff00;

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

QImage filled(QRgb colour) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A private X server of one depth (Xvfb picks a free display number), our own connection
// to it, and what the tests need to look at its root window.
class X11Screen {
public:
    explicit X11Screen(int depth)
        : xvfb_(
              QStringLiteral("Xvfb"),
              {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("%1x%2x%3").arg(kWidth).arg(kHeight).arg(depth),
               QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")}),
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
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, root_, XInternAtom(display_, name, False), 0, 1, False,
                           XA_PIXMAP, &type, &format, &items, &after, &data);
        const Pixmap pixmap =
            type == XA_PIXMAP && items == 1 ? *reinterpret_cast<Pixmap*>(data) : 0;
        if (data) XFree(data);
        return pixmap;
    }

    void setProperty(const char* name, Pixmap pixmap) {
        XChangeProperty(display_, root_, XInternAtom(display_, name, False), XA_PIXMAP, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSync(display_, False);
    }

    bool exists(Pixmap pixmap) {
        rotation::X11ErrorTrap trap(display_);
        Window root = 0;
        int x = 0;
        int y = 0;
        unsigned size[4] = {};
        XGetGeometry(display_, pixmap, &root, &x, &y, &size[0], &size[1], &size[2], &size[3]);
        return !trap.hadError();
    }

    // A pixmap left on the server by another program that set the background and exited.
    Pixmap retainedPixmapOfAnotherProgram() {
        Display* other = XOpenDisplay(name_.toLatin1().constData());
        const Pixmap pixmap = XCreatePixmap(other, root_, 4, 4, DefaultDepth(other, 0));
        XSetCloseDownMode(other, RetainPermanent);
        XCloseDisplay(other);
        return pixmap;
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
    int x;
    int y;
    QRgb colour;
};

struct Picture {
    int depth;
    QSize size;
    std::vector<Point> expected;
};

void PrintTo(const Picture& picture, std::ostream* out) {
    *out << picture.size.width() << 'x' << picture.size.height() << " at depth " << picture.depth;
}

class X11Root : public ::testing::TestWithParam<Picture> {
protected:
    void SetUp() override { ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)"; }

    X11Screen screen{GetParam().depth};
};

TEST_P(X11Root, ShowsTheImageZoomedToCoverAndCentred) {
    screen.apply(stripes(GetParam().size));

    const QImage shown = screen.rootPixels();
    for (const Point& point : GetParam().expected)
        EXPECT_EQ(shown.pixel(point.x, point.y), point.colour) << point.x << "," << point.y;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_NE(shown.pixel(x, y), kGreen) << "uncropped edge at " << x << "," << y;
    const Pixmap published = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(published && screen.exists(published));
    EXPECT_EQ(screen.property("ESETROOT_PMAP_ID"), published);
}

TEST_P(X11Root, ANewImageReplacesTheOldOneAndFreesItsPixmap) {
    screen.apply(stripes(GetParam().size));
    const Pixmap first = screen.property("_XROOTPMAP_ID");
    screen.apply(filled(kYellow));

    const QImage shown = screen.rootPixels();
    EXPECT_EQ(shown.pixel(0, 0), kYellow);
    EXPECT_EQ(shown.pixel(kWidth - 1, kHeight - 1), kYellow);
    const Pixmap latest = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(latest != first && screen.exists(latest));
    EXPECT_FALSE(screen.exists(first));
}

// On the 64x48 root the middle of the image shows: red, then blue from the middle on.
const std::vector<Point> kAcross = {{2, 2, kRed}, {29, 24, kRed}, {34, 24, kBlue}, {61, 45, kBlue}};
const std::vector<Point> kDown = {{2, 2, kRed}, {61, 20, kRed}, {2, 28, kBlue}, {61, 45, kBlue}};

INSTANTIATE_TEST_SUITE_P(wallpaper_pictures, X11Root,
                         ::testing::Values(Picture{24, {40, 24}, kAcross},
                                           Picture{24, {24, 40}, kDown},
                                           Picture{16, {40, 24}, kAcross},
                                           Picture{16, {24, 40}, kDown}));

// Another program's background pixmap may be freed only when both properties name it: that
// is how its owner agreed to be killed for it.
struct Previous {
    const char* name;
    bool inRootId;
    bool inEsetroot;
};

void PrintTo(const Previous& previous, std::ostream* out) { *out << previous.name; }

class X11PreviousBackground : public ::testing::TestWithParam<Previous> {};

TEST_P(X11PreviousBackground, IsFreedOnlyWhenBothPropertiesNameIt) {
    X11Screen screen(24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    const Pixmap previous = screen.retainedPixmapOfAnotherProgram();
    const Pixmap unrelated = screen.retainedPixmapOfAnotherProgram();
    screen.setProperty("_XROOTPMAP_ID", GetParam().inRootId ? previous : unrelated);
    screen.setProperty("ESETROOT_PMAP_ID", GetParam().inEsetroot ? previous : unrelated);

    screen.apply(filled(kBlue));

    EXPECT_EQ(screen.rootPixels().pixel(5, 5), kBlue);
    EXPECT_EQ(screen.exists(previous), !(GetParam().inRootId && GetParam().inEsetroot));
}

INSTANTIATE_TEST_SUITE_P(wallpaper_conventions, X11PreviousBackground,
                         ::testing::Values(Previous{"both", true, true},
                                           Previous{"rootIdOnly", true, false},
                                           Previous{"esetrootOnly", false, true}));

TEST(wallpaper_x11, LeavesTheRootAloneForAnUnreadableFileOrDisplay) {
    X11Screen screen(24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    rotation::X11WallpaperSetter(screen.name()).apply(QStringLiteral("/nonexistent/a.png"));
    EXPECT_EQ(screen.property("_XROOTPMAP_ID"), 0u);

    testing_support::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(filled(kRed).save(path));
    rotation::X11WallpaperSetter(QStringLiteral(":no-such-display")).apply(path);
}

}  // namespace
}  // namespace wallpaper_test
