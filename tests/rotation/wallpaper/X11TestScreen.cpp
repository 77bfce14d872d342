#include "X11TestScreen.h"

#include <sys/resource.h>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <bit>

#include "rotation/wallpaper/X11WallpaperSetter.h"

// Xlib last: its macros (None, Bool, Status) collide with names in Qt and GoogleTest.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include "rotation/wallpaper/X11ErrorTrap.h"

namespace wallpaper_test {

namespace {

// Generous: a loaded CI machine may take a while to start a program or a server.
constexpr int kProgramWaitMs = 30000;

XID readId(QProcess& process) {
    while (!process.canReadLine() && process.state() == QProcess::Running)
        process.waitForReadyRead(kProgramWaitMs);
    return process.readLine().trimmed().toULong(nullptr, 16);
}

}  // namespace

LiveHolder::LiveHolder(const QString& display, const QString& kind, const QString& named) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(X11_RESOURCE_HOLDER),
                   {display, QStringLiteral("live"), kind, named});
    if (process_.waitForStarted(kProgramWaitMs)) id_ = readId(process_);
}

LiveHolder::~LiveHolder() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(kProgramWaitMs)) process_.kill();
    process_.waitForFinished();
}

bool LiveHolder::answers() {
    process_.write("ping\n");
    while (!process_.canReadLine() && process_.state() == QProcess::Running)
        process_.waitForReadyRead(kProgramWaitMs);
    return process_.readLine().trimmed() == "alive";
}

X11TestScreen::X11TestScreen(int width, int height, int depth)
    : width_(width),
      height_(height),
      xvfb_("Xvfb", {"-displayfd", "1", "-screen", "0",
                     QStringLiteral("%1x%2x%3").arg(width).arg(height).arg(depth), "-nolisten",
                     "tcp", "-noreset"}),
      name_(QLatin1Char(':') + xvfb_.address()) {
    if (!xvfb_.address().isEmpty()) display_ = XOpenDisplay(name_.toLatin1().constData());
    if (!display_) return;
    root_ = DefaultRootWindow(display_);
    // An id from our connection's range (allocating one creates nothing on the server).
    ownId_ = XAllocID(display_);
}

X11TestScreen::~X11TestScreen() {
    if (display_) XCloseDisplay(display_);
}

QString X11TestScreen::apply(const QImage& image) {
    const QString path = folder_.filePath(QStringLiteral("wallpaper %1.png").arg(++saved_));
    image.save(path);
    return applyFile(path);
}

QString X11TestScreen::applyFile(const QString& path) {
    return rotation::X11WallpaperSetter(name_).apply(path);
}

QImage X11TestScreen::rootPixels() {
    XImage* shown =
        XGetImage(display_, root_, 0, 0, unsigned(width_), unsigned(height_), AllPlanes, ZPixmap);
    const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        const int shift = std::countr_zero(mask);
        return int(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    QImage pixels(width_, height_, QImage::Format_RGB32);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
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

Pixmap X11TestScreen::property(const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, root_, XInternAtom(display_, name, False), 0, 1, False, XA_PIXMAP,
                       &type, &format, &items, &after, &data);
    const Pixmap pixmap = type == XA_PIXMAP && items == 1 ? *reinterpret_cast<Pixmap*>(data) : 0;
    if (data) XFree(data);
    return pixmap;
}

bool X11TestScreen::exists(XID id) {
    rotation::X11ErrorTrap trap(display_);
    Window root = 0;
    int at = 0;
    unsigned size = 0;
    XGetGeometry(display_, id, &root, &at, &at, &size, &size, &size, &size);
    return !trap.hadError();
}

int X11TestScreen::otherClients() {
    int count = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display_, &count, &clients);
    int others = 0;
    for (int i = 0; i < count; ++i) {
        const bool server = clients[i].resource_base == 0;
        const bool us = (ownId_ & ~clients[i].resource_mask) == clients[i].resource_base;
        if (!server && !us) ++others;
    }
    XFree(clients);
    return others;
}

int X11TestScreen::pixmapsHeld() {
    int count = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display_, &count, &clients);
    int pixmaps = 0;
    for (int i = 0; i < count; ++i) {
        if ((ownId_ & ~clients[i].resource_mask) == clients[i].resource_base) continue;
        int typeCount = 0;
        XResType* types = nullptr;
        XResQueryClientResources(display_, clients[i].resource_base, &typeCount, &types);
        for (int t = 0; t < typeCount; ++t)
            if (types[t].resource_type == XA_PIXMAP) pixmaps += int(types[t].count);
        XFree(types);
    }
    XFree(clients);
    return pixmaps;
}

void X11TestScreen::killOwner(XID id) {
    XKillClient(display_, id);
    XSync(display_, False);
}

bool X11TestScreen::limitServerMemory(qint64 headroom) {
    // The server reports its own pid as that of its own client, the one with base 0.
    XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    pid_t server = 0;
    if (XResQueryClientIds(display_, 1, &all, &count, &ids) == Success) {
        for (long i = 0; i < count; ++i) {
            const auto& [owner, length, value] = ids[i];
            if (owner.client == 0) server = XResGetClientPid(&ids[i]);
        }
    }
    XResClientIdsDestroy(count, ids);
    QFile status(QStringLiteral("/proc/%1/status").arg(server));
    if (server <= 0 || !status.open(QIODevice::ReadOnly)) return false;
    static const QRegularExpression mapped(QStringLiteral("^VmSize:\\s*(\\d+) kB$"),
                                           QRegularExpression::MultilineOption);
    const QRegularExpressionMatch size = mapped.match(QString::fromLatin1(status.readAll()));
    if (!size.hasMatch()) return false;
    const rlim_t bytes = rlim_t(size.captured(1).toLongLong() * 1024 + headroom);
    const rlimit limit{bytes, bytes};
    return prlimit(server, RLIMIT_AS, &limit, nullptr) == 0;
}

XID X11TestScreen::retained(const QString& kind, const QString& named) {
    QProcess holder;
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(QStringLiteral(X11_RESOURCE_HOLDER),
                 {name_, QStringLiteral("retained"), kind, named});
    holder.waitForFinished(kProgramWaitMs);
    return holder.readLine().trimmed().toULong(nullptr, 16);
}

bool X11TestScreen::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), name_);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(kProgramWaitMs) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace wallpaper_test
