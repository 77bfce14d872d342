// The editor's image commands: each hands the image to its operation.
#include <QAction>

#include "editor/Zarn.h"
#include "platform/Desktop.h"

namespace editor {

void Zarn::connectImageCommands() {
    const ZarnMenus& m = menus_;
    connect(m.mnu_FHoriz, &QAction::triggered, this, &Zarn::mnu_FHoriz_Click);
    connect(m.mnu_FVert, &QAction::triggered, this, &Zarn::mnu_FVert_Click);
    connect(m.mnu_90, &QAction::triggered, this, &Zarn::mnu_90_Click);
    connect(m.mnu_ROther, &QAction::triggered, this, &Zarn::mnu_ROther_Click);
    connect(m.mnu_640, &QAction::triggered, this, &Zarn::mnu_640_Click);
    connect(m.mnu_W8, &QAction::triggered, this, &Zarn::mnu_W8_Click);
    connect(m.mnu_1024, &QAction::triggered, this, &Zarn::mnu_1024_Click);
    connect(m.mnu_FitScreen, &QAction::triggered, this, &Zarn::mnu_FitScreen_Click);
}

operations::CommandContext Zarn::commandContext() { return {*imgX_, services_.prompter, this}; }

void Zarn::mnu_FHoriz_Click() { operations::flip(commandContext(), 0); }

void Zarn::mnu_FVert_Click() { operations::flip(commandContext(), 1); }

void Zarn::mnu_90_Click() { operations::rotateQuarter(commandContext()); }

void Zarn::mnu_ROther_Click() { operations::rotateByAskedAngle(commandContext()); }

void Zarn::mnu_640_Click() { operations::resizeToWidth(commandContext(), 640); }

void Zarn::mnu_W8_Click() { operations::resizeToWidth(commandContext(), 800); }

void Zarn::mnu_1024_Click() { operations::resizeToWidth(commandContext(), 1024); }

void Zarn::mnu_FitScreen_Click() {
    operations::resizeToScreen(commandContext(), services_.desktop.screenSizePixels());
}

}  // namespace editor
