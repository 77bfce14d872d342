#include "X11WallpaperSetter.h"

#include "WallpaperImage.h"

#include <QPainter>
#include <memory>

// Xlib last: its macros (None, Bool, Status) collide with names in Qt headers.
#include "X11ErrorTrap.h"
#include "X11PixmapUpload.h"
#include "X11RootBackground.h"

namespace rotation {

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

}  // namespace

X11WallpaperSetter::X11WallpaperSetter(QString displayName)
    : displayName_(std::move(displayName)) {}

QString X11WallpaperSetter::apply(const QString& path) {
    const WallpaperImage image = loadWallpaperImage(path);
    if (image.image.isNull()) return image.problem;
    return showOnRoot([&image](QSize root) { return coverScaled(image.image, root); });
}

QString X11WallpaperSetter::applyEach(const std::vector<MonitorPicture>& pictures) {
    std::vector<QImage> images;
    for (const MonitorPicture& picture : pictures) {
        WallpaperImage image = loadWallpaperImage(picture.path);
        if (image.image.isNull()) return image.problem;
        images.push_back(coverScaled(image.image, picture.monitor.pixels));
    }
    return showOnRoot([&](QSize root) {
        // Where no monitor looks, the root stays black.
        QImage composed(root, QImage::Format_RGB32);
        composed.fill(Qt::black);
        QPainter painter(&composed);
        for (std::size_t i = 0; i < pictures.size(); ++i)
            painter.drawImage(pictures[i].monitor.area.topLeft(), images[i]);
        return composed;
    });
}

QString X11WallpaperSetter::showOnRoot(const std::function<QImage(QSize)>& compose) {
    const QByteArray name = displayName_.toLocal8Bit();
    // The name Xlib connects to: ours, else DISPLAY.
    const QString shownName =
        QString::fromLocal8Bit(XDisplayName(name.isEmpty() ? nullptr : name.constData()));
    if (shownName.isEmpty())
        return QStringLiteral(
            "There is no X display to draw the wallpaper on: DISPLAY is not set.");
    DisplayHandle display(XOpenDisplay(name.isEmpty() ? nullptr : name.constData()));
    if (!display) return QStringLiteral("The X display \"%1\" could not be opened.").arg(shownName);
    X11ErrorTrap trap(display.get());

    const int screen = DefaultScreen(display.get());
    Visual* visual = DefaultVisual(display.get(), screen);
    const int depth = DefaultDepth(display.get(), screen);
    // Palette visuals would need a colour allocation scheme; no current desktop uses them.
    if (visual->c_class != TrueColor) {
        return QStringLiteral(
                   "The X display \"%1\" is not in true colour (depth %2); the "
                   "wallpaper needs a true-colour screen.")
            .arg(shownName, QString::number(depth));
    }
    const QSize size(DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen));
    const Pixmap pixmap = uploadPixmap(display.get(), RootWindow(display.get(), screen), visual,
                                       depth, compose(size));
    // On failure our connection closes normally, which frees whatever it created.
    if (!pixmap || trap.hadError()) {
        return QStringLiteral(
                   "The X display \"%1\" could not hold the wallpaper (%2 x %3 "
                   "pixels at depth %4).")
            .arg(shownName, QString::number(size.width()), QString::number(size.height()),
                 QString::number(depth));
    }
    publishRootBackground(display.get(), screen, pixmap);
    XSetCloseDownMode(display.get(), RetainPermanent);
    return {};
}

}  // namespace rotation
