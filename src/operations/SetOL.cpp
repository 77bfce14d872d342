#include "operations/SetOL.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "operations/ImageFormats.h"
#include "platform/Prompter.h"

namespace operations {
namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

SetOL::SetOL(PlacementSettings& placement, platform::Prompter& prompter,
             std::function<void()> showEditor, QWidget* parent)
    : QWidget(parent, Qt::Window),
      placement_(placement),
      prompter_(prompter),
      showEditor_(std::move(showEditor)),
      sizes_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("SetOL"));
    setWindowTitle(QStringLiteral("Mix"));
    Label1 = named(new QLabel(QStringLiteral("Select Overlay Size")), "Label1");
    OptQuarter = named(new QRadioButton(QStringLiteral("Tiny Size Overlay")), "OptQuarter");
    opt200 = named(new QRadioButton(QStringLiteral("Small Size Overlay")), "opt200");
    opt400 = named(new QRadioButton(QStringLiteral("Medium Size Overlay")), "opt400");
    opt600 = named(new QRadioButton(QStringLiteral("Large Size Overlay")), "opt600");
    optFull = named(new QRadioButton(QStringLiteral("Quarter Size")), "optFull");
    Check1 = named(new QCheckBox(QStringLiteral("With Transparancy")), "Check1");
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel")), "cmdCancel");
    // The box shows what the placement will do, also when the dialog is made afresh.
    Check1->setChecked(placement_.OverlayTransparent);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    int size = 1;
    for (QRadioButton* option : {OptQuarter, opt200, opt400, opt600, optFull}) {
        sizes_->addButton(option, size++);
        layout->addWidget(option);
    }
    layout->addWidget(Check1);
    layout->addWidget(cmdCancel);
    // Clicked, not toggled: only the user's choice fetches a file.
    connect(sizes_, &QButtonGroup::idClicked, this, &SetOL::sizeChosen);
    connect(Check1, &QCheckBox::clicked, this, &SetOL::Check1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SetOL::cmdCancel_Click);
}

void SetOL::Form_GotFocus() {
    sizes_->setExclusive(false);
    for (QAbstractButton* option : sizes_->buttons()) option->setChecked(false);
    sizes_->setExclusive(true);
}

void SetOL::Check1_Click() { placement_.OverlayTransparent = Check1->isChecked(); }

void SetOL::sizeChosen(int size) {
    placement_.OverlaySize = size;
    GetFile();
}

void SetOL::GetFile() {
    placement_.OverlayArmed = true;
    hide();
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.filter = openFilter();
    const std::optional<platform::FileDialogResult> chosen = prompter_.openFile(request, this);
    // Cancelled: the placement keeps the file it had (none the first time).
    if (chosen) placement_.OverlayFile = chosen->path;
    showEditor_();
}

void SetOL::cmdCancel_Click() {
    hide();
    showEditor_();
    deleteLater();
}

void SetOL::closeEvent(QCloseEvent* event) {
    // The title bar's close button is the dialog's Cancel: with the toolbox hidden behind it,
    // anything less would leave the program running with no window to reach.
    event->ignore();
    cmdCancel_Click();
}

}  // namespace operations
