#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

#include "WallpaperTestSupport.h"
#include "support/TempFolder.h"

// Xlib last: its macros (None, Bool, Status) collide with names in Qt and GoogleTest.
#include <X11/Xlib.h>

namespace wallpaper_test {

// Another program's client on the test server (x11_resource_holder), still connected.
class LiveHolder {
public:
    LiveHolder(const QString& display, const QString& kind, const QString& named);
    ~LiveHolder();
    // The window or pixmap it holds; 0 when it could not make one.
    XID id() const { return id_; }
    // Whether its connection still works: it answers after a round trip to the server.
    bool answers();

private:
    QProcess process_;
    XID id_ = 0;
};

// A private X server of one size and depth (Xvfb picks a free display number), our own
// connection to it, and what the tests need to look at its root window and its clients.
class X11TestScreen {
public:
    X11TestScreen(int width, int height, int depth);
    ~X11TestScreen();

    bool connected() const { return display_ != nullptr; }
    const QString& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Saves the image as a PNG file and has the x11 setter show it; its answer.
    QString apply(const QImage& image);
    QString applyFile(const QString& path);

    // The colours the root window shows, read back through the visual's masks.
    QImage rootPixels();
    QRgb rootPixel(int x, int y) { return rootPixels().pixel(x, y); }
    // The pixmap a root property names; 0 when none.
    Pixmap property(const char* name);
    // Whether some client (or the server) holds this window or pixmap.
    bool exists(XID id);
    // The clients holding anything besides the server itself and this connection: after
    // the programs have ended, those retained with their pixmaps.
    int otherClients();
    // The pixmaps of all clients but this connection.
    int pixmapsHeld();
    // Kills the client holding id, as xkill would.
    void killOwner(XID id);
    // Lets the server map at most headroom bytes more than it has now; whether it could.
    bool limitServerMemory(qint64 headroom);

    // A client that created a resource of x11_resource_holder's KIND, named it in the root
    // properties (none, root, esetroot, both), set RetainPermanent and exited; the id.
    XID retained(const QString& kind, const QString& named);
    std::unique_ptr<LiveHolder> live(const QString& kind, const QString& named) {
        return std::make_unique<LiveHolder>(name_, kind, named);
    }

    // Runs a program on this display until it ends; whether it succeeded.
    bool run(const QString& program, const QStringList& arguments);

private:
    int width_, height_;
    TestServer xvfb_;
    QString name_;
    Display* display_ = nullptr;
    Window root_ = 0;
    XID ownId_ = 0;
    testing_support::TempFolder folder_;
    int saved_ = 0;
};

}  // namespace wallpaper_test
