#include "editor/Zarn.h"

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>

#include "editor/ImageView.h"
#include "editor/WindowPlacement.h"
#include "imaging/FormatCode.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/ImageInformation.h"
#include "operations/OperationFrame.h"
#include "platform/Desktop.h"
#include "platform/Prompter.h"
#include "platform/SkipOnError.h"

namespace editor {
namespace {

// The client area of a fresh editor: 4440 x 750 twips at 15 twips a pixel.
constexpr QSize kInitialClientSize(296, 50);

const char* const kLoadFailure =
    "There was an error with Toolbox.\n"
    "\n"
    "Possible causes:\n"
    "Program files not correctly registered with Windows.\n"
    "A .DLL library file conflict with another application.\n"
    "\n"
    "Restart or reinstall Quorvane.";

// The standard dialogs the program asks its questions with.
bool isStandardQuestion(const QWidget* window) {
    return qobject_cast<const QMessageBox*>(window) || qobject_cast<const QInputDialog*>(window) ||
           qobject_cast<const QFileDialog*>(window) || qobject_cast<const QColorDialog*>(window) ||
           qobject_cast<const QAbstractPrintDialog*>(window);
}

}  // namespace

Zarn::Zarn(EditorServices services, QWidget* parent)
    : QMainWindow(parent),
      placement(services.placement),
      services_(std::move(services)),
      menus_(buildZarnMenus(*menuBar())),
      view_(new ImageView) {
    setObjectName(QStringLiteral("Zarn"));
    setWindowTitle(QStringLiteral("  Image ToolBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(view_);
    if (!services_.makeImgX) services_.makeImgX = [] { return std::make_unique<imaging::ImgX>(); };
    connectMenus();
    connect(view_, &ImageView::doubleClicked, this, &Zarn::Form_DblClick);
    connect(view_, &ImageView::mousePressed, this, &Zarn::Form_MouseDown);
    connect(view_, &ImageView::mouseMoved, this, &Zarn::Form_MouseMove);
    connect(view_, &ImageView::mouseReleased, this, &Zarn::Form_MouseUp);
    resize(kInitialClientSize.width(),
           kInitialClientSize.height() + menuBar()->sizeHint().height());
}

Zarn::~Zarn() = default;

void Zarn::connectMenus() {
    const ZarnMenus& m = menus_;
    connect(m.mnuFile, &QMenu::aboutToShow, this, &Zarn::mnuFile_Click);
    connect(m.mnuEdit, &QMenu::aboutToShow, this, &Zarn::mnuEdit_Click);
    connect(m.mnu_Image, &QMenu::aboutToShow, this, &Zarn::mnu_Image_Click);
    connect(m.mnuAction, &QMenu::aboutToShow, this, &Zarn::mnuAction_Click);
    connect(m.mnuFileOpen, &QAction::triggered, this, &Zarn::mnuFileOpen_Click);
    connect(m.mnuFileSave, &QAction::triggered, this, &Zarn::mnuFileSave_Click);
    connect(m.mnuFileSaveAs, &QAction::triggered, this, &Zarn::mnuFileSaveAs_Click);
    connect(m.mnuEditUndo, &QAction::triggered, this, &Zarn::mnuEditUndo_Click);
    connect(m.mnuEditRedo, &QAction::triggered, this, &Zarn::mnuEditRedo_Click);
    connect(m.mnu_Info, &QAction::triggered, this, &Zarn::mnu_Info_Click);
    connectImageCommands();
    connectCompositingCommands();
    connectPrintAndClipboard();
    connectProgramCommands();
}

void Zarn::Form_Load() {
    try {
        imgX_ = services_.makeImgX();
        connect(imgX_.get(), &imaging::ImgX::Changed, this, &Zarn::ImgX_Changed);
        NoLine = true;
        placement.OverlayArmed = false;
        imgX_->setInfo(imaging::kInfoUndoEnabled, qint16(1));
        imgX_->setViewMode(3);
        imgX_->setInfo(imaging::kInfoAutoOrient, true);
        centreOnScreen();
        const QString selected =
            services_.selectedFileName ? services_.selectedFileName() : QString();
        if (!selected.isEmpty()) dialogFolder_ = selected;
    } catch (const std::exception&) {
        imgX_.reset();
        services_.prompter.message(QString::fromLatin1(kLoadFailure), platform::Buttons::Ok,
                                   platform::Icon::Information, QStringLiteral("Error"), this);
        if (services_.endProgram) services_.endProgram();
    }
}

void Zarn::Form_Activate() { NoLine = true; }

void Zarn::Form_DblClick() {
    NoLine = false;
    PencilOn = false;
}

void Zarn::Form_Resize() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    move(centredOrAtEdge(frameGeometry().size(), screenArea()));
}

bool Zarn::Form_QueryUnload() {
    if (!imgX_ || !imgX_->Modified()) return true;
    QString name = imgX_->Info(imaging::kInfoFileName).toString();
    if (name.isEmpty()) name = QStringLiteral("New Image");
    const platform::Answer answer = services_.prompter.message(
        name + QStringLiteral(" has changed.\r\n\r\nWould you like to save it?"),
        platform::Buttons::YesNoCancel, platform::Icon::None, QStringLiteral("ToolBox"), this);
    if (answer == platform::Answer::Cancel) return false;
    // Closing after a Save As that wrote nothing would throw the changes away unasked.
    if (answer == platform::Answer::Yes) return mnuFileSaveAs_Click();
    return true;
}

void Zarn::Form_Unload() {
    if (std::exchange(unloaded_, true)) return;
    delete quad_.data();
    // On the way out of the program the main window is not brought back: it would flash up
    // and read the show list again just before its unload records it.
    if (quitting_) return;
    if (services_.unloaded) services_.unloaded();
}

void Zarn::ImgX_Changed() {
    platform::skipOnError([&] { view_->setPicture(imgX_->files().Picture()); });
    platform::skipOnError([&] { refreshHistoryItems(); });
    platform::skipOnError([&] { fitToImage(); });
}

void Zarn::refreshHistoryItems() {
    const bool canUndo = imgX_->UndoCount() != 0;
    menus_.mnuEditUndo->setText(canUndo ? QStringLiteral("Undo ") + imgX_->UndoCaption(0)
                                        : QStringLiteral("Undo"));
    menus_.mnuEditUndo->setEnabled(canUndo);
    const bool canRedo = imgX_->RedoCount() != 0;
    menus_.mnuEditRedo->setText(canRedo ? QStringLiteral("Redo ") + imgX_->RedoCaption(0)
                                        : QStringLiteral("Redo"));
    menus_.mnuEditRedo->setEnabled(canRedo);
}

void Zarn::fitToImage() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    const QSize image(imgX_->Width(), imgX_->Height());
    if (image.isEmpty()) return;
    resize(size() - view_->size() + view_->logicalSizeFor(image));
    Form_Resize();
    move(keptOnScreen(frameGeometry(), screenArea()));
}

bool Zarn::selectorShown() const { return view_->selectorShown(); }

QRect Zarn::selection() const { return view_->selector(); }

void Zarn::centreOnScreen() { move(centred(frameGeometry().size(), screenArea())); }

QRect Zarn::screenArea() const { return services_.desktop.screenArea(); }

void Zarn::mnuFile_Click() {
    const bool hasImage = imgX_->Width() != 0;
    menus_.mnuFileSaveAs->setEnabled(hasImage);
    menus_.mnuFileSave->setEnabled(
        imaging::isWritableFormat(imgX_->Info(imaging::kInfoFormatCode).toInt()) &&
        !imgX_->Info(imaging::kInfoFileName).toString().isEmpty());
    menus_.mnuFilePrint->menuAction()->setEnabled(hasImage);
    PencilOn = false;
}

void Zarn::mnuEdit_Click() {
    menus_.mnuEditCopy->setEnabled(imgX_->Width() != 0);
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    menus_.mnuEditPaste->setEnabled(clipboard && clipboard->hasImage());
}

void Zarn::mnu_Image_Click() {
    const bool hasImage = !imgX_->IsEmpty();
    for (QAction* item : {menus_.mnu_Info, menus_.mnu_Flip->menuAction(), menus_.mnu_Normal,
                          menus_.mnu_Resize->menuAction(), menus_.mnu_Rotate->menuAction()})
        item->setEnabled(hasImage);
    PencilOn = false;
}

void Zarn::mnuAction_Click() {
    const bool hasImage = !imgX_->IsEmpty();
    menus_.mnu_EdgeE->menuAction()->setEnabled(hasImage);
    menus_.mnuActionFilterIntensify->setEnabled(hasImage);
    menus_.mnu_Soften->setEnabled(hasImage);
    menus_.mnuActionGray->setEnabled(hasImage);
    menus_.mnuActionSharpen->menuAction()->setEnabled(hasImage);
    menus_.mnuActionCrop->menuAction()->setEnabled(imgX_->Height() > 20 && imgX_->Width() > 20);
    menus_.mnuActionDraw->setEnabled(hasImage);
    menus_.mnu_BKGrnd->setEnabled(hasImage);
    menus_.mnuActionCropSelection->setEnabled(view_->selectorShown());
    PencilOn = false;
}

void Zarn::mnuEditUndo_Click() {
    stepThroughHistory([&] { imgX_->Undo(); });
}

void Zarn::mnuEditRedo_Click() {
    stepThroughHistory([&] { imgX_->Redo(); });
}

void Zarn::stepThroughHistory(const std::function<void()>& step) {
    operations::OperationFrame frame(services_.prompter, this);
    // The view lets go of the picture meanwhile: a step that changed little is then restored
    // in the picture's own memory instead of a photo's worth of new memory.
    view_->setPicture(QImage());
    frame.step(step);
    platform::skipOnError([&] { view_->setPicture(imgX_->files().Picture()); });
    frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
}

void Zarn::mnu_Info_Click() {
    services_.prompter.message(operations::imageInformationText(*imgX_, FileLenDat),
                               platform::Buttons::Ok, platform::Icon::Information,
                               QStringLiteral("Image Data"), this);
}

void Zarn::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;
    // The window's final size is known only once it is on the screen.
    if (!shownBefore_) centreOnScreen();
    shownBefore_ = true;
    Form_Activate();
}

bool Zarn::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate)
        coveredByQuestion_ = isStandardQuestion(QApplication::activeModalWidget());
    // Coming back from one of the program's own windows disarms the mouse; coming back from a
    // message or a colour, file or printer dialog does not, or the pencil that Draw has just
    // armed would be disarmed again by the closing of its own colour dialog.
    if (event->type() == QEvent::WindowActivate && !std::exchange(coveredByQuestion_, false))
        Form_Activate();
    return QMainWindow::event(event);
}

void Zarn::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible()) Form_Resize();
}

void Zarn::closeEvent(QCloseEvent* event) {
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

}  // namespace editor
