#include "X11PixmapUpload.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

// Xlib after Qt: its macros (None, Bool, Status) collide with names in Qt headers.
#include <X11/Xutil.h>
#include "X11ErrorTrap.h"

namespace rotation {

namespace {

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

}  // namespace

Pixmap uploadPixmap(Display* display, Window root, Visual* visual, int depth, const QImage& image) {
    const unsigned width = unsigned(image.width());
    const unsigned height = unsigned(image.height());
    // A server short of memory refuses a screen-sized pixmap; better learnt before sending it
    // megabytes of pixels.
    Pixmap pixmap = 0;
    {
        X11ErrorTrap allocation(display);
        pixmap = XCreatePixmap(display, root, width, height, unsigned(depth));
        if (allocation.hadError()) return 0;
    }
    XImage* pixels =
        XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr, width, height, 32, 0);
    // XDestroyImage releases the pixel buffer with free().
    if (pixels)
        pixels->data = static_cast<char*>(std::malloc(size_t(pixels->bytes_per_line) * height));
    if (!pixels || !pixels->data) {
        if (pixels) XDestroyImage(pixels);
        XFreePixmap(display, pixmap);
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
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    // In bands of about a megabyte: the server holds a whole request in memory, and one
    // screen-sized request would take as much again as the pixmap itself.
    const unsigned bandRows = std::max(1u, (1u << 20) / unsigned(pixels->bytes_per_line));
    for (unsigned y = 0; y < height; y += bandRows) {
        XPutImage(display, pixmap, gc, pixels, 0, int(y), 0, int(y), width,
                  std::min(bandRows, height - y));
    }
    // Freed now rather than at exit: a retained connection keeps nothing but the pixmap,
    // which is how a later change recognises it (X11RootBackground).
    XFreeGC(display, gc);
    XDestroyImage(pixels);
    return pixmap;
}

}  // namespace rotation
