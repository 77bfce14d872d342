// The editor's commands that reach beyond its image: About and help, the desktop's display
// settings, and Exit.
#include <QAction>
#include <QApplication>
#include <QTimer>

#include "editor/AboutBox.h"
#include "editor/Zarn.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"

namespace editor {
namespace {

// Said when no display settings program of the desktop could be started.
const char* const kNoDisplaySettings =
    "The display settings could not be opened.\n\n"
    "No display settings program was found for this desktop.";

}  // namespace

void Zarn::connectProgramCommands() {
    const ZarnMenus& m = menus_;
    connect(m.mnu_About, &QAction::triggered, this, &Zarn::mnu_About_Click);
    connect(m.mnu_Disp, &QAction::triggered, this, &Zarn::mnu_Disp_Click);
    connect(m.mnu_AllQuit, &QAction::triggered, this, &Zarn::mnu_AllQuit_Click);
}

void Zarn::mnu_About_Click() {
    showAboutAndHelp(services_.prompter, services_.desktop, QStringLiteral("About Help..."), this);
}

void Zarn::mnu_Disp_Click() {
    if (services_.desktop.startDisplaySettings()) return;
    services_.prompter.message(QString::fromLatin1(kNoDisplaySettings), platform::Buttons::Ok,
                               platform::Icon::Exclamation, platform::defaultTitle(), this);
}

void Zarn::mnu_AllQuit_Click() {
    // The window's own close comes first and may ask to save the image. When the user keeps
    // the window open (Cancel, or a Save As that wrote nothing) the program keeps running:
    // ending it anyway would throw away the very edits the user has just chosen to keep.
    quitting_ = true;
    if (!close()) {
        quitting_ = false;
        return;
    }
    // The closed window deletes itself as soon as events are handled, and the main window's
    // unload handles events: the end is run from the event loop, outside this window's menu.
    if (services_.quitProgram) QTimer::singleShot(0, qApp, services_.quitProgram);
}

}  // namespace editor
