#pragma once

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>

#include "editor/ZarnMenus.h"
#include "operations/GeometryCommands.h"
#include "operations/PlacementSettings.h"
#include "operations/Quad.h"
#include "operations/SetOL.h"

class QPrinter;

namespace imaging {
class ImgX;
}

namespace platform {
class Desktop;
class Prompter;
}  // namespace platform

namespace editor {

class ImageView;
class ImgAtrib;

struct EditorServices {
    platform::Prompter& prompter;
    platform::Desktop& desktop;
    // What a right click places, and how: kept by the caller for the whole run, so the choices
    // made in the overlay dialog outlive this window.
    operations::PlacementSettings& placement;
    // The image last selected on the main window (may be empty); the open dialog starts there.
    std::function<QString()> selectedFileName;
    // Runs once the editor has closed: the main window takes over again.
    std::function<void()> unloaded;
    // Ends the program after the editor could not be set up; the main window unloads first.
    std::function<void()> endProgram;
    // Makes the editor's imaging engine; replaced in tests to make the set-up fail.
    std::function<std::unique_ptr<imaging::ImgX>()> makeImgX;
    // Ends the whole program once the editor has closed: the main window unloads first.
    std::function<void()> quitProgram;
    // The printer of the print commands, kept by the caller so the choice made in Printer
    // Setup holds for the rest of the run. Null: the editor keeps one of its own.
    QPrinter* printer = nullptr;
};

// The image toolbox: one image, shown at one screen pixel per image pixel in a window fitted
// to it, edited through the menus. Made when the main window opens it and destroyed when it
// closes (the next opening starts afresh).
class Zarn final : public QMainWindow {
    Q_OBJECT
public:
    explicit Zarn(EditorServices services, QWidget* parent = nullptr);
    ~Zarn() override;

    // Window state.
    bool NoLine = false;    // the mouse is ignored for selection and pencil
    QString TypeFile;       // "BMP" or "JPG", the type of the last Save As
    qint32 FileLenDat = 0;  // size of the document's file after the last open or save
    int PointX = 0;
    int PointY = 0;
    QColor BColor;
    bool PencilOn = false;
    QRgb PenColor = 0;
    int AnchorX = 0;
    int AnchorY = 0;
    int LastX = -1;
    int LastY = -1;
    // Placement of an overlay image by a right click: armed by an open or by the overlay
    // dialog, which also chooses the file, its size and whether it is see-through.
    operations::PlacementSettings& placement;

    // False when the set-up failed and the program is ending.
    bool loaded() const { return imgX_ != nullptr; }
    imaging::ImgX& ImgX() { return *imgX_; }
    ZarnMenus& menus() { return menus_; }
    ImageView& view() { return *view_; }
    // The selector on the picture, and the rectangle of image pixels it marks; the rectangle
    // counts only while the selector shows.
    bool selectorShown() const;
    QRect selection() const;
    // The save options dialog once the first Save As has made it, else null.
    ImgAtrib* imgAtrib() const { return imgAtrib_; }

    void Form_Load();
    void Form_Activate();
    void Form_DblClick();
    void Form_Resize();
    // Whether the close may go ahead; asks to save a changed image.
    bool Form_QueryUnload();
    void Form_Unload();
    void ImgX_Changed();

    // Menu-opening handlers: enable the items from the image's state.
    void mnuFile_Click();
    void mnuEdit_Click();
    void mnu_Image_Click();
    void mnuAction_Click();

    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void stepThroughHistory(const std::function<void()>& step);
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    // Returns whether the image was written.
    bool mnuFileSaveAs_Click();
    void mnu_Info_Click();

    // The mouse over the picture: selection, pencil strokes and placement.
    void Form_MouseDown(Qt::MouseButton button, QPoint position);
    void Form_MouseMove(Qt::MouseButtons buttons, QPoint position);
    void Form_MouseUp(Qt::MouseButton button, QPoint position);
    // Plots a pencil line into the image.
    void DrawLine(int X1, int Y1, int X2, int Y2, QRgb Color);

    // Commands of the Action menu.
    void mnu_Edge_Click(int index);
    void mnuActionFilterIntensify_Click();
    void mnuActionGray_Click();
    void mnu_40P_Click();
    void mnu_15P_Click();
    void mnu_5P_Click();
    void mnu_Soften_Click();
    void mnuActionCropSelection_Click();
    void mnuActionCropPart_Click(int index);
    void mnu_BKGrnd_Click();
    void mnuActionDraw_Click();

    // Compositing: an image laid over the whole picture, several placed by right clicks onto
    // it (or onto a new screen-sized canvas), four merged into one screen-sized picture.
    void mnu_Normal_Click();
    void mnu_Mix_Click();
    void mnu_Quad_Click();
    // Makes `replacement` the document, keeping this editor's settings (options, undo).
    void adoptImgX(std::unique_ptr<imaging::ImgX> replacement);
    operations::SetOL* overlayDialog() const { return setOL_; }
    operations::Quad* quadDialog() const { return quad_; }
    // Printing and the clipboard.
    void mnuFilePrinterSetup_Click();
    void mnuFilePrintTL_Click();
    void mnuFilePrintFit_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    // The printer the print commands print on.
    QPrinter& printer();

    // The About box and the help, the desktop's display settings, and the end of the program.
    void mnu_About_Click();
    void mnu_Disp_Click();
    void mnu_AllQuit_Click();

    // Geometry commands of the Image menu.
    void mnu_FHoriz_Click();
    void mnu_FVert_Click();
    void mnu_90_Click();
    void mnu_ROther_Click();
    void mnu_640_Click();
    void mnu_W8_Click();
    void mnu_1024_Click();
    void mnu_FitScreen_Click();

signals:
    // The user wants to place another image: the overlay dialog is to choose it.
    void anotherOverlayRequested();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectMenus();
    void connectImageCommands();
    void connectCompositingCommands();
    // Shows the overlay-size dialog, made the first time, with no size chosen.
    void showOverlayDialog();
    void connectPrintAndClipboard();
    void connectProgramCommands();
    // Prints the picture into the rectangle `place` makes of the page's printable area.
    void printPicture(const std::function<QRectF(QSize picture, QSizeF area)>& place);
    operations::CommandContext commandContext();
    void fitToImage();
    void refreshHistoryItems();
    void centreOnScreen();
    // Each returns false when the user gave up on the way; nothing is loaded then.
    bool loadImageFile(const QString& path);
    bool loadIcon(const QString& path);
    // Asks which image of a multi-image file to open: 0 when the user gives up.
    int askImageNumber(int count);
    void measureFile();
    // The window's colour dialog: it starts from the colour chosen last in any of its uses.
    std::optional<QColor> askColour(const QString& title);
    // Places the overlay image at the last mouse position, as a right click asks.
    void placeOverlay();
    // The screen in window coordinates, where the window is placed.
    QRect screenArea() const;

    EditorServices services_;
    std::unique_ptr<imaging::ImgX> imgX_;
    ZarnMenus menus_;
    ImageView* view_;
    ImgAtrib* imgAtrib_ = nullptr;
    QPointer<operations::SetOL> setOL_;
    QPointer<operations::Quad> quad_;
    // Where the window's file dialogs start: the folder of the file chosen last.
    QString dialogStartFolder() const;
    // The file dialog's memory between commands: folder and the save filter chosen last.
    QString dialogFolder_;
    int saveFilterIndex_ = 1;
    QColor lastColour_ = Qt::black;
    bool unloaded_ = false;
    // Set while Exit closes the window on the way out of the program.
    bool quitting_ = false;
    std::unique_ptr<QPrinter> ownPrinter_;
    bool shownBefore_ = false;
    // Set while a standard question dialog has the focus instead of this window.
    bool coveredByQuestion_ = false;
};

}  // namespace editor
