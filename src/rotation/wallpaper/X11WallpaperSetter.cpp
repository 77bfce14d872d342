#include "X11WallpaperSetter.h"

#include "WallpaperImage.h"

#include <QImage>
#include <array>
#include <bit>
#include <cstdlib>
#include <memory>

// Xlib last: its macros (None, Bool, Status) collide with names in Qt headers.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include "X11ErrorTrap.h"

namespace rotation {

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// 8-bit channel values to their bits in a TrueColor pixel, for any channel width (5 or 6
// bits at depth 16, 8 at depth 24, 10 at depth 30).
using ChannelTable = std::array<unsigned long, 256>;

ChannelTable channelTable(unsigned long mask) {
    const int shift = std::countr_zero(mask);
    const unsigned long maximum = mask >> shift;
    ChannelTable table{};
    for (unsigned long value = 0; value < 256; ++value)
        table[value] = ((value * maximum + 127) / 255) << shift;
    return table;
}

// The image (already the size of the screen) in the server's pixel layout, on a pixmap.
Pixmap uploadPixmap(Display* display, Window root, Visual* visual, int depth, const QImage& image) {
    XImage* pixels = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr,
                                  unsigned(image.width()), unsigned(image.height()), 32, 0);
    if (!pixels) return 0;
    // XDestroyImage releases the pixel buffer with free().
    pixels->data = static_cast<char*>(std::malloc(size_t(pixels->bytes_per_line) * image.height()));
    if (!pixels->data) {
        XDestroyImage(pixels);
        return 0;
    }
    const ChannelTable red = channelTable(visual->red_mask);
    const ChannelTable green = channelTable(visual->green_mask);
    const ChannelTable blue = channelTable(visual->blue_mask);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = line[x];
            XPutPixel(pixels, x, y, red[qRed(rgb)] | green[qGreen(rgb)] | blue[qBlue(rgb)]);
        }
    }
    const Pixmap pixmap = XCreatePixmap(display, root, unsigned(image.width()),
                                        unsigned(image.height()), unsigned(depth));
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, pixels, 0, 0, 0, 0, unsigned(image.width()),
              unsigned(image.height()));
    XFreeGC(display, gc);
    XDestroyImage(pixels);
    return pixmap;
}

Pixmap pixmapProperty(Display* display, Window root, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = 0;
    if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &items,
                           &bytesAfter, &data) == Success &&
        type == XA_PIXMAP && format == 32 && items == 1) {
        // Format-32 properties come back as an array of long, whatever long's size.
        pixmap = *reinterpret_cast<unsigned long*>(data);
    }
    if (data) XFree(data);
    return pixmap;
}

void publishBackground(Display* display, Window root, Pixmap pixmap) {
    const Atom rootId = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom esetrootId = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    const Pixmap previous = pixmapProperty(display, root, rootId);
    const bool previousIsRetained =
        previous && previous == pixmapProperty(display, root, esetrootId);

    const unsigned long value = pixmap;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    XChangeProperty(display, root, rootId, XA_PIXMAP, 32, PropModeReplace, bytes, 1);
    XChangeProperty(display, root, esetrootId, XA_PIXMAP, 32, PropModeReplace, bytes, 1);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    // Killing the owner is how a retained pixmap is freed; the root window itself keeps
    // showing the new one.
    if (previousIsRetained) XKillClient(display, previous);
}

}  // namespace

X11WallpaperSetter::X11WallpaperSetter(QString displayName)
    : displayName_(std::move(displayName)) {}

void X11WallpaperSetter::apply(const QString& path) {
    const QImage image = loadWallpaperImage(path);
    if (image.isNull()) return;
    const QByteArray name = displayName_.toLocal8Bit();
    DisplayHandle display(XOpenDisplay(name.isEmpty() ? nullptr : name.constData()));
    if (!display) return;
    X11ErrorTrap trap(display.get());

    const int screen = DefaultScreen(display.get());
    Visual* visual = DefaultVisual(display.get(), screen);
    // Palette visuals would need a colour allocation scheme; no current desktop uses them.
    if (visual->c_class != TrueColor) return;
    const Window root = RootWindow(display.get(), screen);
    const QSize size(DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen));

    const Pixmap pixmap = uploadPixmap(
        display.get(), root, visual, DefaultDepth(display.get(), screen), coverScaled(image, size));
    // On failure our connection closes normally, which frees whatever it created.
    if (!pixmap || trap.hadError()) return;
    publishBackground(display.get(), root, pixmap);
    XSetCloseDownMode(display.get(), RetainPermanent);
}

}  // namespace rotation
