#include "editor/ZarnMenus.h"

#include <QMenu>
#include <QMenuBar>

namespace editor {
namespace {

// A menu carries its name twice: on itself and on the item that opens it.
QMenu* named(QMenu* m, const char* name) {
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

QMenu* menu(QMenuBar& bar, const char* name, const char* caption) {
    return named(bar.addMenu(QString::fromUtf8(caption)), name);
}

QMenu* submenu(QMenu& parent, const char* name, const char* caption) {
    return named(parent.addMenu(QString::fromUtf8(caption)), name);
}

QAction* item(QMenu& parent, const char* name, const char* caption) {
    QAction* a = parent.addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void separator(QMenu& parent, const char* name) {
    parent.addSeparator()->setObjectName(QString::fromLatin1(name));
}

}  // namespace

ZarnMenus buildZarnMenus(QMenuBar& bar) {
    ZarnMenus m{};
    m.mnuFile = menu(bar, "mnuFile", "&File");
    m.mnuFileOpen = item(*m.mnuFile, "mnuFileOpen", "&Open...");
    separator(*m.mnuFile, "mnuFileDash2");
    m.mnuFileSave = item(*m.mnuFile, "mnuFileSave", "&Save");
    m.mnuFileSaveAs = item(*m.mnuFile, "mnuFileSaveAs", "Save &As...");
    separator(*m.mnuFile, "mnuFileDash3");
    m.mnuFilePrinterSetup = item(*m.mnuFile, "mnuFilePrinterSetup", "Printer Se&tup...");
    m.mnuFilePrint = submenu(*m.mnuFile, "mnuFilePrint", "&Print");
    m.mnuFilePrintTL = item(*m.mnuFilePrint, "mnuFilePrintTL", "&Top-Left");
    m.mnuFilePrintFit = item(*m.mnuFilePrint, "mnuFilePrintFit", "&Fit to Page");
    separator(*m.mnuFile, "mnu_FS2");
    m.mnu_Disp = item(*m.mnuFile, "mnu_Disp", "&Display Properties");
    separator(*m.mnuFile, "mnu_FSDisp");
    m.mnu_AllQuit = item(*m.mnuFile, "mnu_AllQuit", "&Exit");

    m.mnuEdit = menu(bar, "mnuEdit", "&Edit");
    m.mnuEditUndo = item(*m.mnuEdit, "mnuEditUndo", "&Undo");
    m.mnuEditRedo = item(*m.mnuEdit, "mnuEditRedo", "&Redo");
    separator(*m.mnuEdit, "mnuEditDash");
    m.mnuEditCopy = item(*m.mnuEdit, "mnuEditCopy", "Co&py");
    m.mnuEditPaste = item(*m.mnuEdit, "mnuEditPaste", "&Paste");
    m.mnuEditUndo->setEnabled(false);
    m.mnuEditRedo->setEnabled(false);
    m.mnuEditCopy->setEnabled(false);

    m.mnu_Image = menu(bar, "mnu_Image", "&Image");
    m.mnu_Info = item(*m.mnu_Image, "mnu_Info", "Image I&nformation");
    separator(*m.mnu_Image, "mnu_FSQuad");
    m.mnu_Flip = submenu(*m.mnu_Image, "mnu_Flip", "&Flip");
    m.mnu_FVert = item(*m.mnu_Flip, "mnu_FVert", "&Verticle");
    m.mnu_FHoriz = item(*m.mnu_Flip, "mnu_FHoriz", "&Horizontal");
    m.mnu_Resize = submenu(*m.mnu_Image, "mnu_Resize", "&Resize");
    m.mnu_FitScreen = item(*m.mnu_Resize, "mnu_FitScreen", "&Screen Size");
    separator(*m.mnu_Resize, "mnu_FS1");
    m.mnu_640 = item(*m.mnu_Resize, "mnu_640", "&640 Width");
    m.mnu_W8 = item(*m.mnu_Resize, "mnu_W8", "8&00 Width");
    m.mnu_1024 = item(*m.mnu_Resize, "mnu_1024", "&1024 Width");
    m.mnu_Rotate = submenu(*m.mnu_Image, "mnu_Rotate", "Ro&tate");
    m.mnu_90 = item(*m.mnu_Rotate, "mnu_90", "90 &Degrees");
    m.mnu_ROther = item(*m.mnu_Rotate, "mnu_ROther", "&Other");
    separator(*m.mnu_Image, "mnu_FS3");
    m.mnu_Overlay = submenu(*m.mnu_Image, "mnu_Overlay", "&Overlay");
    m.mnu_Normal = item(*m.mnu_Overlay, "mnu_Normal", "&Normal");
    m.mnu_Mix = item(*m.mnu_Overlay, "mnu_Mix", "&Mix");
    m.mnu_Quad = item(*m.mnu_Image, "mnu_Quad", "4 &In 1");

    m.mnuAction = menu(bar, "mnuAction", "&Action");
    m.mnu_BKGrnd = item(*m.mnuAction, "mnu_BKGrnd", "&Background");
    m.mnu_EdgeE = submenu(*m.mnuAction, "mnu_EdgeE", "&Edge Enhance");
    m.mnu_Edge[0] = item(*m.mnu_EdgeE, "mnu_Edge", "&High");
    m.mnu_Edge[1] = item(*m.mnu_EdgeE, "mnu_Edge", "&Medium");
    m.mnu_Edge[2] = item(*m.mnu_EdgeE, "mnu_Edge", "&Low");
    // Menu arrays: the items share a name and carry their index.
    for (int i = 0; i < 3; ++i) m.mnu_Edge[i]->setProperty("index", i);
    m.mnuActionFilterIntensify = item(*m.mnuAction, "mnuActionFilterIntensify", "&Intensify");
    m.mnuActionCrop = submenu(*m.mnuAction, "mnuActionCrop", "&Crop");
    m.mnuActionCropSelection = item(*m.mnuActionCrop, "mnuActionCropSelection", "&Selection");
    separator(*m.mnuActionCrop, "mnuActionCropDash");
    m.mnuActionCropPart4 = item(*m.mnuActionCrop, "mnuActionCropPart", "Center");
    m.mnuActionCropPart4->setProperty("index", 4);
    m.mnuActionDraw = item(*m.mnuAction, "mnuActionDraw", "&Draw");
    m.mnuActionGray = item(*m.mnuAction, "mnuActionGray", "&Grayscale");
    m.mnuActionSharpen = submenu(*m.mnuAction, "mnuActionSharpen", "&Sharpen...");
    m.mnu_40P = item(*m.mnuActionSharpen, "mnu_40P", "&35%");
    m.mnu_15P = item(*m.mnuActionSharpen, "mnu_15P", "&10%");
    m.mnu_5P = item(*m.mnuActionSharpen, "mnu_5P", "&4%");
    m.mnu_Soften = item(*m.mnuAction, "mnu_Soften", "&Soften");

    m.mnu_About = bar.addAction(QStringLiteral("Ab&out"));
    m.mnu_About->setObjectName(QStringLiteral("mnu_About"));
    return m;
}

}  // namespace editor
