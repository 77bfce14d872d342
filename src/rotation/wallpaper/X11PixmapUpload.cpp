#include "X11PixmapUpload.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

#include <QSysInfo>

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

// Whether the screen lays out its pixels as Qt lays out the image's (any 24- or 32-bit
// TrueColor screen on a machine of the same byte order), so the image goes out as it is.
bool sharesQtLayout(const XImage& pixels, const Visual& visual, const QImage& image) {
    const int nativeOrder = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst;
    return pixels.bits_per_pixel == 32 && pixels.byte_order == nativeOrder &&
           visual.red_mask == 0xff0000 && visual.green_mask == 0xff00 && visual.blue_mask == 0xff &&
           pixels.bytes_per_line == image.bytesPerLine() &&
           (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
}

// Lays the image out in the pixel format of a screen that does not share Qt's.
void layOut(XImage& pixels, const Visual& visual, const QImage& image) {
    const ChannelTable red = channelTable(visual.red_mask);
    const ChannelTable green = channelTable(visual.green_mask);
    const ChannelTable blue = channelTable(visual.blue_mask);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = line[x];
            XPutPixel(&pixels, x, y, red[qRed(rgb)] | green[qGreen(rgb)] | blue[qBlue(rgb)]);
        }
    }
}

// The pixels sent in bands of about a megabyte: the server holds a whole request in memory,
// and one screen-sized request would take as much again as the pixmap itself. False when
// there is no memory to lay them out in.
bool putPixels(Display* display, Pixmap pixmap, GC gc, Visual* visual, int depth,
               const QImage& image) {
    const unsigned width = unsigned(image.width());
    const unsigned height = unsigned(image.height());
    XImage* pixels =
        XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr, width, height, 32, 0);
    const bool direct = pixels && sharesQtLayout(*pixels, *visual, image);
    // The image's own pixels, which Qt frees; else a buffer XDestroyImage frees with free().
    if (direct)
        pixels->data = const_cast<char*>(reinterpret_cast<const char*>(image.constBits()));
    else if (pixels)
        pixels->data = static_cast<char*>(std::malloc(size_t(pixels->bytes_per_line) * height));
    if (!pixels || !pixels->data) {
        if (pixels) XDestroyImage(pixels);
        return false;
    }
    if (!direct) layOut(*pixels, *visual, image);
    const unsigned bandRows = std::max(1u, (1u << 20) / unsigned(pixels->bytes_per_line));
    for (unsigned y = 0; y < height; y += bandRows)
        XPutImage(display, pixmap, gc, pixels, 0, int(y), 0, int(y), width,
                  std::min(bandRows, height - y));
    if (direct) pixels->data = nullptr;
    XDestroyImage(pixels);
    return true;
}

}  // namespace

Pixmap uploadPixmap(Display* display, Window root, Visual* visual, int depth, const QImage& image) {
    // A server short of memory refuses a screen-sized pixmap; better learnt before sending it
    // megabytes of pixels.
    Pixmap pixmap = 0;
    {
        X11ErrorTrap allocation(display);
        pixmap = XCreatePixmap(display, root, unsigned(image.width()), unsigned(image.height()),
                               unsigned(depth));
        if (allocation.hadError()) return 0;
    }
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    const bool drawn = putPixels(display, pixmap, gc, visual, depth, image);
    // Freed now rather than at exit: a retained connection keeps nothing but the pixmap,
    // which is how a later change recognises it (X11RootBackground).
    XFreeGC(display, gc);
    if (drawn) return pixmap;
    XFreePixmap(display, pixmap);
    return 0;
}

}  // namespace rotation
