#pragma once

class QAction;
class QMenu;
class QMenuBar;

namespace editor {

// The editor's menu tree. Each item carries its name as objectName; separators are named
// too, so the tree can be checked whole.
struct ZarnMenus {
    QMenu* mnuFile;
    QAction* mnuFileOpen;
    QAction* mnuFileSave;
    QAction* mnuFileSaveAs;
    QAction* mnuFilePrinterSetup;
    QMenu* mnuFilePrint;
    QAction* mnuFilePrintTL;
    QAction* mnuFilePrintFit;
    QAction* mnu_Disp;
    QAction* mnu_AllQuit;

    QMenu* mnuEdit;
    QAction* mnuEditUndo;
    QAction* mnuEditRedo;
    QAction* mnuEditCopy;
    QAction* mnuEditPaste;

    QMenu* mnu_Image;
    QAction* mnu_Info;
    QMenu* mnu_Flip;
    QAction* mnu_FVert;
    QAction* mnu_FHoriz;
    QMenu* mnu_Resize;
    QAction* mnu_FitScreen;
    QAction* mnu_640;
    QAction* mnu_W8;
    QAction* mnu_1024;
    QMenu* mnu_Rotate;
    QAction* mnu_90;
    QAction* mnu_ROther;
    QMenu* mnu_Overlay;
    QAction* mnu_Normal;
    QAction* mnu_Mix;
    QAction* mnu_Quad;

    QMenu* mnuAction;
    QAction* mnu_BKGrnd;
    QMenu* mnu_EdgeE;
    QAction* mnu_Edge[3];
    QAction* mnuActionFilterIntensify;
    QMenu* mnuActionCrop;
    QAction* mnuActionCropSelection;
    // The centre crop; the only element of its menu array, index 4.
    QAction* mnuActionCropPart4;
    QAction* mnuActionDraw;
    QAction* mnuActionGray;
    QMenu* mnuActionSharpen;
    QAction* mnu_40P;
    QAction* mnu_15P;
    QAction* mnu_5P;
    QAction* mnu_Soften;

    QAction* mnu_About;
};

// Builds the tree into `bar`, every item enabled except Undo, Redo and Copy.
ZarnMenus buildZarnMenus(QMenuBar& bar);

}  // namespace editor
