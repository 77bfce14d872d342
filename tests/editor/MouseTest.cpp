#include <QRubberBand>

#include "EditorFixture.h"
#include "editor/ImageView.h"
#include "imaging/ImgX.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;

class Mouse : public EditorTest {
protected:
    editor::Zarn& startArmed(int width = 40, int height = 30) {
        editor::Zarn& z = start();
        QImage white(width, height, QImage::Format_RGB32);
        white.fill(Qt::white);
        z.ImgX().canvas().LoadFromPicture(white, 0);
        z.Form_DblClick();
        return z;
    }
    void drag(QPoint from, QPoint to) {
        zarn->Form_MouseDown(Qt::LeftButton, from);
        zarn->Form_MouseMove(Qt::LeftButton, to);
    }
};

TEST_F(Mouse, DragsASelectionHoldingBothEndPixelsWithThePointerConfined) {
    editor::Zarn& z = startArmed();
    drag({10, 10}, {5, 20});
    EXPECT_EQ(desktop.confinedTo, &z.view());
    EXPECT_TRUE(z.Selector().isVisible());
    EXPECT_EQ(z.Selector().geometry(), QRect(5, 10, 6, 11));
    z.Form_MouseMove(Qt::LeftButton, {100, -7});  // beyond the picture: held at its edge
    EXPECT_EQ(z.Selector().geometry(), QRect(QPoint(10, 0), QPoint(39, 10)));
    z.Form_MouseUp(Qt::LeftButton, {100, -7});
    EXPECT_EQ(desktop.confinedTo, nullptr);
    EXPECT_TRUE(z.Selector().isVisible());

    openMenu(z.menus().mnuAction);
    EXPECT_TRUE(z.menus().mnuActionCropSelection->isEnabled());
    z.menus().mnuActionCropSelection->trigger();
    EXPECT_EQ(z.ImgX().Width(), 30);
    EXPECT_EQ(z.ImgX().Height(), 11);
    EXPECT_FALSE(z.Selector().isVisible());
}

TEST_F(Mouse, AClickWithoutADragLeavesNoSelection) {
    editor::Zarn& z = startArmed();
    drag({10, 10}, {10, 10});
    z.Form_MouseUp(Qt::LeftButton, {10, 10});
    EXPECT_FALSE(z.Selector().isVisible());
}

TEST_F(Mouse, IsIgnoredUntilADoubleClickAndAgainAfterAnActivation) {
    editor::Zarn& z = startArmed();
    z.Form_Activate();
    drag({10, 10}, {20, 20});
    EXPECT_FALSE(z.Selector().isVisible());
    EXPECT_EQ(desktop.confinedTo, nullptr);
    EXPECT_EQ(z.PointX, 20) << "the position is followed all the same";
    z.Form_MouseUp(Qt::LeftButton, {20, 20});
    EXPECT_EQ(desktop.releases, 1) << "a release always lets the pointer go";
}

TEST_F(Mouse, ThePencilDrawsJoinedStrokesUndoneAsOneStep) {
    editor::Zarn& z = startArmed();
    z.Form_Activate();  // Draw arms the mouse by itself
    prompter.expectColor("Select Pencil Color", QColor(255, 0, 0));
    z.mnuActionDraw_Click();
    EXPECT_TRUE(z.PencilOn);
    EXPECT_FALSE(z.NoLine);

    z.Form_MouseDown(Qt::LeftButton, {0, 0});
    EXPECT_EQ(z.ImgX().image().pixel(0, 0), qRgb(255, 255, 255)) << "a press plots nothing";
    z.Form_MouseMove(Qt::LeftButton, {0, 0});
    z.Form_MouseMove(Qt::LeftButton, {4, 3});
    z.Form_MouseUp(Qt::LeftButton, {4, 3});
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(2, 1), QPoint(3, 2), QPoint(4, 2)})
        EXPECT_EQ(z.view().picture().pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
    EXPECT_EQ(z.view().picture().pixel(4, 3), qRgb(255, 255, 255));
    EXPECT_EQ(z.menus().mnuEditUndo->text(), "Undo Drawing");

    z.mnuEditUndo_Click();
    EXPECT_EQ(z.ImgX().image().pixel(2, 1), qRgb(255, 255, 255));
}

TEST_F(Mouse, CancellingThePencilColourLeavesPencilModeOff) {
    editor::Zarn& z = startArmed();
    prompter.expectColor("Select Pencil Color", std::nullopt);
    z.mnuActionDraw_Click();
    EXPECT_FALSE(z.PencilOn);
    EXPECT_EQ(z.ImgX().UndoCount(), 0);
}

class Placement : public Mouse {
protected:
    editor::Zarn& startPlacing(int size, bool transparent) {
        editor::Zarn& z = startArmed(600, 400);
        QImage black(400, 300, QImage::Format_RGB32);
        black.fill(Qt::black);
        z.placement.OverlayFile = folder.filePath("overlay.png");
        black.save(z.placement.OverlayFile);
        z.placement.OverlayArmed = true;
        z.placement.OverlaySize = size;
        z.placement.OverlayTransparent = transparent;
        z.Form_MouseMove(Qt::NoButton, {10, 20});
        return z;
    }
    void expectAnother(Answer answer) {
        prompter.expectMessage("Insert additional images?", Buttons::YesNo, Icon::Question,
                               "Another?", answer);
    }
};

TEST_F(Placement, PutsTheShrunkOverlayAtTheRightClick) {
    editor::Zarn& z = startPlacing(5, false);
    expectAnother(Answer::No);
    z.Form_MouseUp(Qt::RightButton, {10, 20});
    const QImage& result = z.ImgX().image();
    EXPECT_EQ(result.pixel(10, 20), qRgb(0, 0, 0));
    EXPECT_EQ(result.pixel(209, 169), qRgb(0, 0, 0)) << "200 x 150 from 400 x 300";
    EXPECT_EQ(result.pixel(210, 170), qRgb(255, 255, 255));
    EXPECT_FALSE(z.placement.OverlayArmed);
    z.Form_MouseUp(Qt::RightButton, {10, 20});  // disarmed: nothing more is asked
}

TEST_F(Placement, SeeThroughBlendsAt70PercentAndYesAsksForAnotherFile) {
    editor::Zarn& z = startPlacing(0, true);
    int requests = 0;
    QObject::connect(&z, &editor::Zarn::anotherOverlayRequested, [&] { ++requests; });
    expectAnother(Answer::Yes);
    z.Form_MouseUp(Qt::RightButton, {10, 20});
    EXPECT_EQ(z.ImgX().image().pixel(10, 20), qRgb(77, 77, 77));  // 255 * 30 %, rounded
    EXPECT_TRUE(z.placement.OverlayFile.isEmpty());
    EXPECT_EQ(requests, 1);
}

TEST_F(Placement, AFileThatCannotBePlacedIsReportedAndChangesNothing) {
    editor::Zarn& z = startPlacing(5, false);
    QFile::remove(z.placement.OverlayFile);
    expectSomeErrorBox();
    z.Form_MouseUp(Qt::RightButton, {10, 20});
    EXPECT_TRUE(z.placement.OverlayArmed);
    EXPECT_FALSE(z.placement.OverlayFile.isEmpty());
    EXPECT_EQ(z.ImgX().UndoCount(), 0);
}

TEST_F(Mouse, BackgroundMakesAScreenSizedPictureAndShowsTheWindowAgain) {
    editor::Zarn& z = startArmed(800, 600);
    prompter.expectColor("Select Background color", QColor(0, 0, 255));
    z.mnu_BKGrnd_Click();
    EXPECT_EQ(z.view().size(), QSize(1024, 768));
    EXPECT_EQ(z.view().picture().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(z.view().picture().pixel(112, 84), qRgb(255, 255, 255));
    EXPECT_TRUE(z.isVisible());
    EXPECT_FALSE(z.BColor.isValid());
    EXPECT_EQ(z.menus().mnuEditUndo->text(), "Undo New Image");

    prompter.expectColor("Select Background color", std::nullopt);
    z.mnu_BKGrnd_Click();
    EXPECT_EQ(prompter.asked().back().initialColor, QColor(0, 0, 255))
        << "the dialog starts from the last colour";
    EXPECT_EQ(z.ImgX().UndoCount(), 1);
}

}  // namespace
