#pragma once

#include <QRect>
#include <QString>
#include <optional>
#include <vector>

struct _XDisplay;

namespace e2e {

using XWindowId = unsigned long;

// A window as the window system shows it now, in root coordinates.
struct ShownWindow {
    XWindowId id = 0;
    XWindowId frame = 0;  // its ancestor that is a child of the root: the window manager's frame
    QString title;        // _NET_WM_NAME
    bool viewable = false;
    QRect geometry;       // the client area
    QRect frameGeometry;  // with the window manager's decoration
};

// A window of one client embedded in a window of another: a notification-area icon.
struct EmbeddedWindow {
    XWindowId id = 0;
    XWindowId host = 0;  // the embedding client's window it sits in
    QRect geometry;
};

// A top-level window's life as the root window reported it: where it was created, every
// place it was moved to, and whether and by whom it was shown.
struct TopLevelTrack {
    XWindowId id = 0;
    bool overrideRedirect = false;
    bool mapped = false;
    bool gone = false;  // unmapped or destroyed since
    qint64 pid = -1;    // _NET_WM_PID, read as it was mapped
    std::vector<QRect> geometries;
};

// The test's own connection to the X server: properties, the window tree, the events the
// root window reports, and round trips with clients.
class XConnection {
public:
    explicit XConnection(const QString& display);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool isOpen() const { return x_ != nullptr; }
    int fileDescriptor() const;
    XWindowId root() const;

    // The first 32-bit item of a window's property; none when absent.
    std::optional<unsigned long> cardinal(XWindowId window, const char* name) const;
    QString utf8Text(XWindowId window, const char* name) const;
    bool hasProperty(XWindowId window, const char* name) const;
    qint64 pidOf(XWindowId window) const;  // -1 when unknown
    XWindowId selectionOwner(const char* selection) const;
    XWindowId activeWindow() const;
    std::vector<XWindowId> managedClients() const;  // the window manager's _NET_CLIENT_LIST

    std::optional<ShownWindow> describe(XWindowId window) const;
    // Every window of the process below the root, managed or not.
    std::vector<XWindowId> windowsOf(qint64 pid) const;
    // A viewable window of `pid` with _XEMBED_INFO inside a window of `hostPid`.
    std::optional<EmbeddedWindow> embeddedWindow(qint64 pid, qint64 hostPid) const;
    // The close button of the window manager's title bar above a managed window: the
    // rightmost of the square buttons the frame shows over the client.
    std::optional<QRect> closeButton(const ShownWindow& window) const;

    // Sends _NET_WM_PING to a client's window and waits for the echo, recording what the
    // root window reports meanwhile.
    bool ping(XWindowId window, int timeoutMs);
    // Reads what the server has sent so far.
    void readEvents();
    const std::vector<TopLevelTrack>& topLevels() const { return topLevels_; }
    void forgetTopLevels() { topLevels_.clear(); }

private:
    unsigned long atom(const char* name) const;
    void handle(const void* event);
    TopLevelTrack* track(XWindowId window);

    _XDisplay* x_ = nullptr;
    long pingStamp_ = 0;
    long answeredStamp_ = 0;
    XWindowId pingedWindow_ = 0;
    std::vector<TopLevelTrack> topLevels_;
};

}  // namespace e2e
