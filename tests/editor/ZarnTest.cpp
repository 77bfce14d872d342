#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <cmath>

#include "EditorFixture.h"
#include "editor/ImageView.h"
#include "imaging/Error.h"
#include "imaging/ImgX.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;

// The menu tree as "name caption" lines, one dot of indent per level; "-" for separators.
void describeMenu(const QList<QAction*>& actions, const QString& indent, QStringList& lines) {
    for (QAction* action : actions) {
        const QString caption = action->isSeparator() ? QStringLiteral("-") : action->text();
        lines << indent + action->objectName() + QLatin1Char(' ') + caption;
        if (action->menu()) describeMenu(action->menu()->actions(), indent + '.', lines);
    }
}

// Where a window of `frame` size sits when centred on the 1024 x 768 screen.
QPoint centredOnScreen(QSize frame) {
    return {int(std::nearbyint((1024 - frame.width()) / 2.0)),
            int(std::nearbyint((768 - frame.height()) / 2.0))};
}

using ZarnWindow = EditorTest;

TEST_F(ZarnWindow, HasTheWholeMenuTreeWithItsCaptions) {
    start();
    QStringList lines;
    describeMenu(zarn->menuBar()->actions(), QString(), lines);
    const QStringList expected = {"mnuFile &File",
                                  ".mnuFileOpen &Open...",
                                  ".mnuFileDash2 -",
                                  ".mnuFileSave &Save",
                                  ".mnuFileSaveAs Save &As...",
                                  ".mnuFileDash3 -",
                                  ".mnuFilePrinterSetup Printer Se&tup...",
                                  ".mnuFilePrint &Print",
                                  "..mnuFilePrintTL &Top-Left",
                                  "..mnuFilePrintFit &Fit to Page",
                                  ".mnu_FS2 -",
                                  ".mnu_Disp &Display Properties",
                                  ".mnu_FSDisp -",
                                  ".mnu_AllQuit &Exit",
                                  "mnuEdit &Edit",
                                  ".mnuEditUndo &Undo",
                                  ".mnuEditRedo &Redo",
                                  ".mnuEditDash -",
                                  ".mnuEditCopy Co&py",
                                  ".mnuEditPaste &Paste",
                                  "mnu_Image &Image",
                                  ".mnu_Info Image I&nformation",
                                  ".mnu_FSQuad -",
                                  ".mnu_Flip &Flip",
                                  "..mnu_FVert &Verticle",
                                  "..mnu_FHoriz &Horizontal",
                                  ".mnu_Resize &Resize",
                                  "..mnu_FitScreen &Screen Size",
                                  "..mnu_FS1 -",
                                  "..mnu_640 &640 Width",
                                  "..mnu_W8 8&00 Width",
                                  "..mnu_1024 &1024 Width",
                                  ".mnu_Rotate Ro&tate",
                                  "..mnu_90 90 &Degrees",
                                  "..mnu_ROther &Other",
                                  ".mnu_FS3 -",
                                  ".mnu_Overlay &Overlay",
                                  "..mnu_Normal &Normal",
                                  "..mnu_Mix &Mix",
                                  ".mnu_Quad 4 &In 1",
                                  "mnuAction &Action",
                                  ".mnu_BKGrnd &Background",
                                  ".mnu_EdgeE &Edge Enhance",
                                  "..mnu_Edge &High",
                                  "..mnu_Edge &Medium",
                                  "..mnu_Edge &Low",
                                  ".mnuActionFilterIntensify &Intensify",
                                  ".mnuActionCrop &Crop",
                                  "..mnuActionCropSelection &Selection",
                                  "..mnuActionCropDash -",
                                  "..mnuActionCropPart Center",
                                  ".mnuActionDraw &Draw",
                                  ".mnuActionGray &Grayscale",
                                  ".mnuActionSharpen &Sharpen...",
                                  "..mnu_40P &35%",
                                  "..mnu_15P &10%",
                                  "..mnu_5P &4%",
                                  ".mnu_Soften &Soften",
                                  "mnu_About Ab&out"};
    EXPECT_EQ(lines, expected);
}

TEST_F(ZarnWindow, OpensEmptyCentredAndWithNothingToSaveUndoOrEdit) {
    editor::Zarn& z = start();
    EXPECT_EQ(z.windowTitle(), "  Image ToolBox");
    EXPECT_EQ(z.view().size(), QSize(296, 50));
    EXPECT_EQ(z.frameGeometry().topLeft(), centredOnScreen(z.frameGeometry().size()));
    EXPECT_TRUE(z.NoLine);
    const editor::ZarnMenus& m = z.menus();
    for (QAction* item : {m.mnuEditUndo, m.mnuEditRedo, m.mnuEditCopy})
        EXPECT_FALSE(item->isEnabled());

    openMenu(m.mnuFile);
    EXPECT_FALSE(m.mnuFileSaveAs->isEnabled());
    EXPECT_FALSE(m.mnuFileSave->isEnabled());
    EXPECT_FALSE(m.mnuFilePrint->menuAction()->isEnabled());
    EXPECT_TRUE(m.mnuFileOpen->isEnabled());

    openMenu(m.mnu_Image);
    for (QAction* item : {m.mnu_Info, m.mnu_Flip->menuAction(), m.mnu_Normal,
                          m.mnu_Resize->menuAction(), m.mnu_Rotate->menuAction()})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    for (QAction* item : {m.mnu_Mix, m.mnu_Quad, m.mnu_Overlay->menuAction()})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();

    openMenu(m.mnuAction);
    for (QAction* item : m.mnuAction->actions()) {
        if (item->isSeparator()) continue;
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    }
}

struct CropCase {
    int width, height;
    bool cropEnabled;
};

class ActionMenu : public EditorTest, public ::testing::WithParamInterface<CropCase> {};

TEST_P(ActionMenu, OffersCropFrom21PixelsEachWayAndEndsPencilMode) {
    const CropCase c = GetParam();
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(c.width, c.height, QImage::Format_RGB32), 0);
    z.PencilOn = true;
    openMenu(z.menus().mnuAction);
    EXPECT_EQ(z.menus().mnuActionCrop->menuAction()->isEnabled(), c.cropEnabled);
    EXPECT_TRUE(z.menus().mnuActionGray->isEnabled());
    EXPECT_FALSE(z.menus().mnuActionCropSelection->isEnabled()) << "no selection shown";
    EXPECT_FALSE(z.PencilOn);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ActionMenu,
                         ::testing::Values(CropCase{20, 21, false}, CropCase{21, 20, false},
                                           CropCase{21, 21, true}, CropCase{640, 480, true}));

TEST_F(ZarnWindow, SaveIsOfferedOnlyForAnImageWithAFileOfItsOwn) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(30, 30, QImage::Format_RGB32), 0);  // as pasted
    openMenu(z.menus().mnuFile);
    EXPECT_TRUE(z.menus().mnuFileSaveAs->isEnabled());
    EXPECT_FALSE(z.menus().mnuFileSave->isEnabled());
    EXPECT_TRUE(z.menus().mnuFilePrint->menuAction()->isEnabled());
}

TEST_F(ZarnWindow, UndoAndRedoNameTheStepTheyWouldTake) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(30, 20, QImage::Format_RGB32), 0);
    z.ImgX().effects().Flip(0, 0);
    const editor::ZarnMenus& m = z.menus();
    EXPECT_EQ(m.mnuEditUndo->text(), "Undo Flip");
    EXPECT_TRUE(m.mnuEditUndo->isEnabled());
    EXPECT_EQ(m.mnuEditRedo->text(), "Redo");
    EXPECT_FALSE(m.mnuEditRedo->isEnabled());

    m.mnuEditUndo->trigger();
    EXPECT_EQ(m.mnuEditUndo->text(), "Undo");
    EXPECT_FALSE(m.mnuEditUndo->isEnabled());
    EXPECT_EQ(m.mnuEditRedo->text(), "Redo Flip");
    EXPECT_TRUE(m.mnuEditRedo->isEnabled());
}

TEST_F(ZarnWindow, AFailingUndoIsReportedInTheFullErrorBox) {
    editor::Zarn& z = start();
    imaging::ImgX reference;
    QString text;
    try {
        reference.Undo();
    } catch (const imaging::Error& error) {
        text = "Error: " + QString::number(error.number) + "\r\n\r\n" + error.description;
    }
    ASSERT_FALSE(text.isEmpty());
    prompter.expectMessage(text, Buttons::Ok, Icon::Exclamation, "ImgX", Answer::Ok);
    z.mnuEditUndo_Click();
}

struct FitCase {
    QSize image;
    QPoint topLeft;
};

class FitToImage : public EditorTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitToImage, MakesTheClientAreaImageSizedAndKeepsTheWindowOnScreen) {
    const FitCase c = GetParam();
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(c.image, QImage::Format_RGB32), 0);
    EXPECT_EQ(z.view().size(), c.image);
    EXPECT_EQ(z.view().picture().size(), c.image);
    if (!c.topLeft.isNull() || c.image.width() > 1024)
        EXPECT_EQ(z.frameGeometry().topLeft(), c.topLeft);
    else
        EXPECT_EQ(z.frameGeometry().topLeft(), centredOnScreen(z.frameGeometry().size()));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FitToImage,
                         ::testing::Values(FitCase{{400, 300}, {}}, FitCase{{2000, 2000}, {0, 0}}));

TEST_F(ZarnWindow, ADoubleClickArmsTheMouseAndAnActivationDisarmsIt) {
    editor::Zarn& z = start();
    z.PencilOn = true;
    emit z.view().doubleClicked();
    EXPECT_FALSE(z.NoLine);
    EXPECT_FALSE(z.PencilOn);
    z.Form_Activate();
    EXPECT_TRUE(z.NoLine);
}

TEST_F(ZarnWindow, ASetUpFailureSaysSoAndEndsTheProgram) {
    prompter.expectMessage(
        "There was an error with Toolbox.\n\nPossible causes:\n"
        "Program files not correctly registered with Windows.\n"
        "A .DLL library file conflict with another application.\n\n"
        "Restart or reinstall Quorvane.",
        Buttons::Ok, Icon::Information, "Error", Answer::Ok);
    start([]() -> std::unique_ptr<imaging::ImgX> { throw std::runtime_error("no engine"); });
    EXPECT_FALSE(zarn->loaded());
    EXPECT_EQ(endProgramCount, 1);
}

// --- Closing ---

TEST_F(ZarnWindow, AnUnchangedImageClosesAtOnceAndHandsBackToTheMainWindow) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(30, 20, QImage::Format_RGB32), 0);
    z.close();
    EXPECT_TRUE(zarn.isNull() || !zarn->isVisible());
    EXPECT_EQ(unloadedCount, 1);
}

struct CloseCase {
    const char* name;
    Answer answer;
    // The Save As dialog after a Yes: nullopt for Cancel.
    bool closes;
};

class CloseChanged : public EditorTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseChanged, AsksToSaveAndStaysOpenUnlessTheImageIsSafeOrGivenUp) {
    const CloseCase c = GetParam();
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(30, 20, QImage::Format_RGB32), 0);
    z.ImgX().effects().Flip(1, 0);
    prompter.expectMessage("New Image has changed.\r\n\r\nWould you like to save it?",
                           Buttons::YesNoCancel, Icon::None, "ToolBox", c.answer);
    // Yes leads to Save As; the user cancels its dialog, so nothing is written.
    if (c.answer == Answer::Yes) prompter.expectSaveFile("Save As", std::nullopt);
    z.close();
    EXPECT_EQ(unloadedCount, c.closes ? 1 : 0);
    EXPECT_EQ(!zarn.isNull() && zarn->isVisible(), !c.closes);
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseChanged,
                         ::testing::Values(CloseCase{"No", Answer::No, true},
                                           CloseCase{"Cancel", Answer::Cancel, false},
                                           CloseCase{"YesThenCancelledSaveAs", Answer::Yes, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

TEST_F(ZarnWindow, TheGeometryItemsChangeTheImageAndRefitTheWindow) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(QImage(120, 60, QImage::Format_RGB32), 0);
    z.menus().mnu_90->trigger();
    EXPECT_EQ(z.view().size(), QSize(60, 120));
    z.menus().mnu_640->trigger();
    EXPECT_EQ(z.view().size(), QSize(640, 1280));
    z.menus().mnu_FitScreen->trigger();
    EXPECT_EQ(z.view().size(), QSize(1024, 768));
    z.menus().mnu_FVert->trigger();
    EXPECT_EQ(z.menus().mnuEditUndo->text(), "Undo Flip");
    EXPECT_EQ(z.ImgX().UndoCount(), 4);
}

}  // namespace
