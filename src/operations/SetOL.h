#pragma once

#include <QWidget>
#include <functional>

#include "operations/PlacementSettings.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform {
class Prompter;
}

namespace operations {

// The overlay-size dialog of Mix: a size option, then an image file, arms the editor's
// right-click placement. It stays (hidden) between placements and hands over to the editor
// by hiding itself and showing it.
class SetOL final : public QWidget {
    Q_OBJECT
public:
    SetOL(PlacementSettings& placement, platform::Prompter& prompter,
          std::function<void()> showEditor, QWidget* parent = nullptr);

    // Asks for the image to place and arms the placement; the editor comes back either way.
    void GetFile();
    // Shown afresh: no size chosen yet.
    void Form_GotFocus();
    void Check1_Click();
    void cmdCancel_Click();

    QLabel* Label1;
    QRadioButton* OptQuarter;
    QRadioButton* opt200;
    QRadioButton* opt400;
    QRadioButton* opt600;
    QRadioButton* optFull;
    QCheckBox* Check1;
    QPushButton* cmdCancel;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sizeChosen(int size);

    PlacementSettings& placement_;
    platform::Prompter& prompter_;
    std::function<void()> showEditor_;
    QButtonGroup* sizes_;
};

}  // namespace operations
