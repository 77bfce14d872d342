#include "X11PixmapUpload.h"

#include <array>
#include <bit>
#include <cstdlib>

// Xlib after Qt: its macros (None, Bool, Status) collide with names in Qt headers.
#include <X11/Xutil.h>

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
    // Freed now rather than at exit: a retained connection keeps nothing but the pixmap,
    // which is how a later change recognises it (X11PreviousBackground).
    XFreeGC(display, gc);
    XDestroyImage(pixels);
    return pixmap;
}

}  // namespace rotation
