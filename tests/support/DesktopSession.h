#pragma once

#include <QImage>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "support/TempFolder.h"

namespace testing_support {

// How long a test waits for anything: a guard against hanging, not a measurement.
inline constexpr int kDeadlineMs = 15000;

// Whether condition comes to hold within deadlineMs; Qt delivers events meanwhile.
bool waitFor(const std::function<bool()>& condition, int deadlineMs = kDeadlineMs);

// What a program printed, without its last line break; its complaint when it failed.
QString programOutput(const QString& program, const QStringList& arguments);

// What the X display (DISPLAY) shows, read with ImageMagick's import; null if nothing.
QImage screenshot();

// A real image named after one of the shared hostile names, in a folder of the same name.
struct HostileFile {
    const char* label;
    QString path;
    QRgb colour;  // the whole image is this colour, which no other hostile file has
};

inline void PrintTo(const HostileFile& file, std::ostream* out) { *out << file.label; }

// A desktop session of the test's own, as a login sets it up: a session bus, home and XDG
// folders, optionally an X display, and components started on them. While it exists, this
// process's environment (inherited by every program it starts) points at it and its working
// folder lies inside it; both are put back once its components have ended, last first.
class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;

    const QString& problem() const { return problem_; }  // why the session bus is not up
    // A folder of the session: home, config, runtime, work, files, or the root ("").
    QString folder(const QString& name) const { return folder_.filePath(name); }
    // Sets a variable for this process and every program started from now on.
    void setVariable(const char* name, const QString& value);

    // Starts a component in the session; its output goes to a log that report() shows.
    const QProcess& start(const QString& program, const QStringList& arguments);
    // Starts a command, by default the one of the name's D-Bus service file, and waits until
    // it owns the name on the session bus. Empty when it does, else why not.
    QString startOwnerOf(const QString& name, QStringList command = {});
    // Starts an X server (Xvfb) of this size and depth and points DISPLAY at it; why not.
    QString startDisplay(QSize size, int depth = 24);
    // Starts a real X server (Xorg's dummy driver) whose outputs DUMMY0, DUMMY1... show the
    // given modes ("1024x768") left to right, and points DISPLAY at it; why not.
    QString startMonitors(const QStringList& modes);

    // Each hostile name's image, a solid PNG of this size; consecutive ones differ in colour.
    std::vector<HostileFile> writeHostileFiles(QSize size = {16, 12}) const;
    // Whether the X screen comes to show colour along its right edge, where no icon sits.
    bool showsBackground(QRgb colour) const;
    // What a `touch pwned` run by a component would have left: in the session's folders, the
    // working folder this process had before, its home, and /.
    QStringList pwnedFiles() const;
    // The state and output of every component, for failure messages.
    QString report() const;

private:
    struct Component {
        QString log;
        std::unique_ptr<QProcess> process;
    };
    QString firstLineOf(const Component& component) const;

    TempFolder folder_;
    QString problem_;
    QString previousWorkingFolder_;
    std::map<QByteArray, std::optional<QByteArray>> previousVariables_;
    std::vector<Component> components_;
};

}  // namespace testing_support
