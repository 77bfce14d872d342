// The main window's way into the image toolbox.
#include <QLabel>

#include "app/frmTray.h"
#include "editor/Zarn.h"

namespace app {

void frmTray::picPreview_DblClick() {
    mnuRestore_Click();
    hide();
    editor::EditorServices services{services_.prompter,
                                    services_.desktop,
                                    [this] { return selected_.FileName; },
                                    [this] {
                                        picPreview->setToolTip(QString());
                                        show();
                                    },
                                    [this] {
                                        Form_Unload();
                                        services_.endProgram();
                                    },
                                    {}};
    toolbox_ = new editor::Zarn(std::move(services));
    toolbox_->Form_Load();
    if (toolbox_->loaded()) toolbox_->show();
}

editor::Zarn* frmTray::toolbox() const { return toolbox_; }

}  // namespace app
