// The main window's way into the image toolbox.
#include <QLabel>
#include <QPrinter>

#include "app/frmTray.h"
#include "editor/Zarn.h"

namespace app {

void frmTray::picPreview_DblClick() {
    mnuRestore_Click();
    hide();
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const auto endProgram = [this] {
        Form_Unload();
        services_.endProgram();
    };
    editor::EditorServices services{services_.prompter,
                                    services_.desktop,
                                    placement_,
                                    [this] { return selected_.FileName; },
                                    [this] {
                                        picPreview->setToolTip(QString());
                                        show();
                                    },
                                    endProgram,
                                    {},
                                    endProgram,
                                    printer_.get()};
    toolbox_ = new editor::Zarn(std::move(services));
    toolbox_->Form_Load();
    if (toolbox_->loaded()) toolbox_->show();
}

editor::Zarn* frmTray::toolbox() const { return toolbox_; }

}  // namespace app
