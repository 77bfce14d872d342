#include "X11WallpaperSetter.h"

#include "WallpaperImage.h"

#include <map>
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
    std::vector<std::pair<QPoint, QImage>> images;
    // The same picture on every monitor is read once.
    std::map<QString, WallpaperImage> read;
    for (const MonitorPicture& picture : pictures) {
        const auto [place, first] = read.try_emplace(picture.path);
        if (first) place->second = loadWallpaperImage(picture.path);
        if (place->second.image.isNull()) return place->second.problem;
        images.emplace_back(picture.monitor.area.topLeft(),
                            coverScaled(place->second.image, picture.monitor.pixels));
    }
    // Where no monitor looks, the root stays black.
    return showOnRoot([&](QSize root) { return placedOnBlack(root, images); });
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
