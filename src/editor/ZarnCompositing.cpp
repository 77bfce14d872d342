// The editor's compositing commands: Overlay > Normal, Overlay > Mix and 4 In 1.
#include <QAction>

#include "editor/ImageView.h"
#include "editor/Zarn.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/OverlayCommand.h"
#include "operations/Quad.h"
#include "operations/SetOL.h"
#include "platform/Desktop.h"
#include "platform/SkipOnError.h"

namespace editor {

void Zarn::connectCompositingCommands() {
    connect(menus_.mnu_Normal, &QAction::triggered, this, &Zarn::mnu_Normal_Click);
    connect(menus_.mnu_Mix, &QAction::triggered, this, &Zarn::mnu_Mix_Click);
    connect(menus_.mnu_Quad, &QAction::triggered, this, &Zarn::mnu_Quad_Click);
    connect(this, &Zarn::anotherOverlayRequested, this, [this] {
        hide();
        showOverlayDialog();
    });
}

void Zarn::mnu_Normal_Click() {
    // The window's one file dialog: it starts where the last file was chosen and remembers this
    // one.
    const QString chosen =
        operations::overlayNormal(commandContext(), dialogStartFolder(),
                                  [this](const QImage& picture) { view_->setPicture(picture); });
    if (!chosen.isEmpty()) dialogFolder_ = chosen;
}

void Zarn::mnu_Mix_Click() {
    hide();
    if (imgX_->IsEmpty()) {
        // No image yet: the images are placed on a new screen-sized canvas. Giving up on the
        // colour leaves the editor empty; the dialog comes all the same.
        const std::optional<QColor> colour = askColour(QStringLiteral("Select canvas color"));
        const QSize screen = services_.desktop.screenSizePixels();
        if (colour)
            platform::skipOnError([&] {
                imgX_->effects().CreateBlank(screen.width(), screen.height(),
                                             int(colour->rgb() & 0xFFFFFFu), 0, 0, 0);
            });
    }
    showOverlayDialog();
}

void Zarn::showOverlayDialog() {
    if (!setOL_)
        setOL_ = new operations::SetOL(
            placement, services_.prompter, [this] { show(); }, this);
    setOL_->Form_GotFocus();
    setOL_->show();
}

void Zarn::mnu_Quad_Click() {
    hide();
    if (!quad_) {
        quad_ = new operations::Quad(
            {services_.prompter, services_.desktop.screenSizePixels(), [this] { show(); },
             [this](std::unique_ptr<imaging::ImgX> canvas) { adoptImgX(std::move(canvas)); }},
            this);
    }
    quad_->show();
}

void Zarn::adoptImgX(std::unique_ptr<imaging::ImgX> replacement) {
    for (int item : {imaging::kInfoAutoOrient, imaging::kInfoUndoEnabled,
                     imaging::kInfoIconBackground, imaging::kInfoJpegDctMethod,
                     imaging::kInfoInterlaced, imaging::kInfoJpegQuality, imaging::kInfoPlaceable})
        replacement->setInfo(item, imgX_->Info(item));
    replacement->setViewMode(imgX_->ViewMode());
    imgX_ = std::move(replacement);
    connect(imgX_.get(), &imaging::ImgX::Changed, this, &Zarn::ImgX_Changed);
    ImgX_Changed();
}

}  // namespace editor
