#pragma once

#include <QRect>
#include <memory>
#include <optional>

#include "e2e/RealProgram.h"
#include "support/DesktopSession.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

struct _XDisplay;

namespace e2e {

// A window of the program as the window system shows it, in root coordinates.
struct Shown {
    unsigned long id = 0;
    QRect geometry;  // the client area, without the window manager's frame
};

// The main window's empty preview box (its size times Qt's scale factor): one colour, other
// colours left and right of each of its rows.
std::optional<QRect> previewBox(const QImage& screen, const QRect& area, int scale = 1);

// The fixture every journey shares: a desktop session of its own with an X server, a window
// manager (openbox) and an XEmbed notification area (trayer), and the real program on it, met
// as a user meets it: windows by their _NET_WM_NAME, real input through XTEST (xdotool) and
// the pixels of the screen (import).
class Journey : public ::testing::Test {
protected:
    ~Journey() override;
    void TearDown() override;

    // Each returns what went wrong, or nothing. With `monitors` ("1024x768" each, left to
    // right), a real X server with those monitors; else Xvfb with one screen.
    QString startDesktop(QSize screen, const QStringList& monitors = {});
    QString startProgram(int tickMs = 600000, double scaleFactor = 1.0);

    // True once the program has handled every event queued so far: the first echo of a ping
    // shows it read them, the second that its event loop turned since (input handed, painted).
    bool settle();
    // The titles of the program's windows the window manager shows, sorted.
    QStringList titles();
    std::optional<Shown> window(const QString& title);  // waits for it
    bool waitForGone(unsigned long window);
    std::optional<QRect> geometryOf(unsigned long window);  // while it is on screen
    // Every window of the program on screen other than its icon, tooltips and menus too.
    std::vector<Shown> everyWindow();

    // Keys (xdotool names) to a window once it has the keyboard, each handled before the next.
    bool keys(const Shown& window, const QStringList& names);
    // One key to whatever holds the keyboard: a window, or a menu that grabbed it.
    bool key(const QString& name) { return run({"key", name}); }
    bool typeInto(const Shown& window, const QString& text);
    // Waits for the question titled `title`, answers it with a key and waits for it to go.
    bool answer(const QString& title, const QString& key);
    bool click(QPoint at, int button = 1, int count = 1);
    // Presses the left button at `from`, moves through `via` and lets go at the last point.
    bool drag(QPoint from, const std::vector<QPoint>& via);

    // The program's icon in the tray: present once embedded, placed once a round trip with
    // both programs leaves it where it was (trayer moves new icons).
    std::optional<QRect> trayIcon();
    std::optional<QRect> placedTrayIcon();

    QImage screen() const { return testing_support::screenshot(); }
    bool waitForScreen(const std::function<bool(const QImage&)>& check);
    std::vector<testing_support::StoredRecord> stored() const {
        return testing_support::readStore(home + "/ZARN.DAT");
    }

    testing_support::DesktopSession session;
    testing_support::TempFolder folder;
    const QString home = folder.filePath("program");  // the program folder (--home)
    QSize screenSize;
    std::unique_ptr<RealProgram> program;

private:
    bool run(const QStringList& xdotool) const;
    bool ping(unsigned long window);
    unsigned long atom(const char* name) const;
    // A property's items (32-bit ones as Xlib's longs); one 32-bit item (else 0) as cardinal.
    std::optional<QByteArray> property(unsigned long window, const char* name) const;
    std::optional<unsigned long> cardinal(unsigned long window, const char* name) const;
    bool ours(unsigned long window) const;  // the program's, by its process id
    // Whether the window manager comes to give the window the keyboard.
    bool active(unsigned long window) const;
    // The program's windows the window manager shows, with their titles.
    std::vector<std::pair<Shown, QString>> managed();

    qint64 trayPid_ = 0;
    _XDisplay* x_ = nullptr;
    long pingStamp_ = 0;
    unsigned long trayHost_ = 0;  // trayer's window the icon was last found in
};

}  // namespace e2e
