// The editor's image commands: each hands the image to its operation.
#include <QAction>
#include <QApplication>

#include "editor/ImageView.h"
#include "editor/Zarn.h"
#include "imaging/ImgX.h"
#include "operations/BackgroundCommand.h"
#include "operations/CropCommands.h"
#include "operations/FilterCommands.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"

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
    for (int index = 0; index < 3; ++index)
        connect(m.mnu_Edge[index], &QAction::triggered, this,
                [this, index] { mnu_Edge_Click(index); });
    connect(m.mnuActionFilterIntensify, &QAction::triggered, this,
            &Zarn::mnuActionFilterIntensify_Click);
    connect(m.mnuActionGray, &QAction::triggered, this, &Zarn::mnuActionGray_Click);
    connect(m.mnu_40P, &QAction::triggered, this, &Zarn::mnu_40P_Click);
    connect(m.mnu_15P, &QAction::triggered, this, &Zarn::mnu_15P_Click);
    connect(m.mnu_5P, &QAction::triggered, this, &Zarn::mnu_5P_Click);
    connect(m.mnu_Soften, &QAction::triggered, this, &Zarn::mnu_Soften_Click);
    connect(m.mnuActionCropSelection, &QAction::triggered, this,
            &Zarn::mnuActionCropSelection_Click);
    connect(m.mnuActionCropPart4, &QAction::triggered, this,
            [this] { mnuActionCropPart_Click(4); });
    connect(m.mnu_BKGrnd, &QAction::triggered, this, &Zarn::mnu_BKGrnd_Click);
    connect(m.mnuActionDraw, &QAction::triggered, this, &Zarn::mnuActionDraw_Click);
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

void Zarn::mnu_Edge_Click(int index) { operations::edgeEnhance(commandContext(), index); }

void Zarn::mnuActionFilterIntensify_Click() { operations::intensify(commandContext()); }

void Zarn::mnuActionGray_Click() { operations::grayscale(commandContext()); }

// The items' names do not match their captions; each passes its caption's percentage.
void Zarn::mnu_40P_Click() { operations::sharpen(commandContext(), 35); }

void Zarn::mnu_15P_Click() { operations::sharpen(commandContext(), 10); }

void Zarn::mnu_5P_Click() { operations::sharpen(commandContext(), 4); }

void Zarn::mnu_Soften_Click() { operations::soften(commandContext()); }

void Zarn::mnuActionCropSelection_Click() {
    operations::cropToSelection(commandContext(), view_->selector(), [this] {
        view_->hideSelector();
        centreOnScreen();
    });
}

void Zarn::mnuActionCropPart_Click(int) {
    operations::cropCentre(commandContext(), [this] { centreOnScreen(); });
}

std::optional<QColor> Zarn::askColour(const QString& title) {
    const std::optional<QColor> chosen = services_.prompter.color(lastColour_, title, this);
    if (chosen) lastColour_ = *chosen;
    return chosen;
}

void Zarn::mnu_BKGrnd_Click() {
    // Held back so the window shows the finished picture once, not each step of it.
    imgX_->setViewMode(0);
    const std::optional<QColor> colour = askColour(QStringLiteral("Select Background color"));
    if (!colour) {
        imgX_->setViewMode(3);
        return;
    }
    BColor = *colour;
    hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    operations::composeBackground(commandContext(), services_.desktop.screenSizePixels(),
                                  colour->rgb());
    imgX_->setViewMode(3);
    show();
    activateWindow();  // the keyboard comes back with the window
    QApplication::restoreOverrideCursor();
    centreOnScreen();
    BColor = QColor();
}

void Zarn::mnuActionDraw_Click() {
    const std::optional<QColor> colour = askColour(QStringLiteral("Select Pencil Color"));
    if (!colour) return;
    PenColor = colour->rgb() & 0xFFFFFFu;
    NoLine = false;
    PencilOn = true;
    platform::skipOnError([&] {
        imgX_->SaveUndo(QStringLiteral("Drawing"));
        refreshHistoryItems();
    });
}

}  // namespace editor
