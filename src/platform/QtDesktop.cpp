#include "QtDesktop.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QWidget>

#include "DisplaySettings.h"
#include "HelpFile.h"
#include "HelpWindow.h"
#include "Prompter.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include "X11Display.h"
#endif

namespace platform {

QtDesktop::QtDesktop(QString programFolder, QString executableFolder, Prompter& prompter)
    : programFolder_(std::move(programFolder)),
      executableFolder_(std::move(executableFolder)),
      prompter_(prompter) {}

QtDesktop::~QtDesktop() = default;

QSize QtDesktop::screenSizePixels() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->size() * screen->devicePixelRatio();
}

QRect QtDesktop::screenArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QString QtDesktop::programFolder() const { return programFolder_; }

void QtDesktop::confineCursor(QWidget& area) {
#if defined(Q_OS_WIN)
    const QPoint origin = area.mapToGlobal(QPoint(0, 0)) * area.devicePixelRatio();
    const QSize size = area.size() * area.devicePixelRatio();
    const RECT rect{origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()};
    ClipCursor(&rect);
#elif defined(QUORVANE_WITH_X11)
    Display* display = qtX11Display();
    if (!display) return;
    // An active grab confined to the area's own window; events still go where they would.
    // The press that starts a drag leaves Qt holding the pointer through the input
    // extension, which would refuse the grab: that hold is let go first.
    const auto window = static_cast<Window>(area.winId());
    XUngrabPointer(display, CurrentTime);
    XGrabPointer(display, window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, window, None, CurrentTime);
    XFlush(display);
#else
    Q_UNUSED(area);
#endif
}

void QtDesktop::releaseCursor() {
#if defined(Q_OS_WIN)
    ClipCursor(nullptr);
#elif defined(QUORVANE_WITH_X11)
    if (Display* display = qtX11Display()) {
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
#endif
}

void QtDesktop::showHelp(QWidget* owner) {
    const QString path = findHelpFile(executableFolder_);
    if (path.isEmpty()) {
        prompter_.message(
            QStringLiteral("The help file %1 could not be found.\n\nIt belongs beside the program "
                           "or in %2.")
                .arg(helpFileName(),
                     QDir::toNativeSeparators(QDir::cleanPath(
                         QDir(executableFolder_).filePath(QStringLiteral("../share/quorvane"))))),
            Buttons::Ok, Icon::Exclamation, defaultTitle(), owner);
        return;
    }
    if (!help_) help_ = std::make_unique<HelpWindow>();
    help_->showFile(path, owner);
}

bool QtDesktop::startDisplaySettings() {
#if defined(Q_OS_WIN)
    const QList<ProgramCommand> commands = {windowsDisplaySettingsCommand()};
#else
    const QList<ProgramCommand> commands =
        displaySettingsCommands(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
#endif
    return startFirst(commands, [](const ProgramCommand& command) {
        return QProcess::startDetached(command.program, command.arguments);
    });
}

}  // namespace platform
