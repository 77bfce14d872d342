#include "EditorFixture.h"

namespace {

using namespace testing_support;

// The menu tree as "caption|" lines, one dot of indent per level; "-" for separators.
void describeMenu(const QList<QAction*>& actions, const QString& indent, QString& lines) {
    for (QAction* action : actions) {
        lines += indent + (action->isSeparator() ? QStringLiteral("-") : action->text()) + '|';
        if (action->menu()) describeMenu(action->menu()->actions(), indent + '.', lines);
    }
}

QPoint centredOnScreen(QSize frame) {
    return {int(std::nearbyint((1024 - frame.width()) / 2.0)),
            int(std::nearbyint((768 - frame.height()) / 2.0))};
}

using ZarnWindow = EditorTest;

TEST_F(ZarnWindow, OpensCentredWithItsMenusFitsItsPictureAndSaysWhatItShould) {
    editor::Zarn& z = start();
    QString lines;
    describeMenu(zarn->menuBar()->actions(), QString(), lines);
    EXPECT_EQ(
        lines,
        "&File|.&Open...|.-|.&Save|.Save &As...|.-|.Printer Se&tup...|.&Print|..&Top-Left|"
        "..&Fit to Page|.-|.&Display Properties|.-|.&Exit|&Edit|.&Undo|.&Redo|.-|.Co&py|.&Paste|"
        "&Image|.Image I&nformation|.-|.&Flip|..&Verticle|..&Horizontal|.&Resize|..&Screen Size|"
        "..-|..&640 Width|..8&00 Width|..&1024 Width|.Ro&tate|..90 &Degrees|..&Other|.-|"
        ".&Overlay|..&Normal|..&Mix|.4 &In 1|&Action|.&Background|.&Edge Enhance|..&High|"
        "..&Medium|..&Low|.&Intensify|.&Crop|..&Selection|..-|..Center|.&Draw|.&Grayscale|"
        ".&Sharpen...|..&35%|..&10%|..&4%|.&Soften|Ab&out|");
    const editor::ZarnMenus& m = z.menus();
    EXPECT_EQ(std::tuple(z.windowTitle(), z.view().size(), z.frameGeometry().topLeft()),
              std::tuple(QString("  Image ToolBox"), QSize(296, 50),
                         centredOnScreen(z.frameGeometry().size())));
    QStringList offered;
    for (QMenu* menu : {m.mnuFile, m.mnuEdit, m.mnu_Image, m.mnu_Overlay, m.mnuAction})
        offered << enabled(menu->actions(), menu);
    EXPECT_EQ(
        offered.join('|'),
        "mnuFileOpen mnuFilePrinterSetup mnu_Disp mnu_AllQuit||mnu_Overlay mnu_Quad|mnu_Mix|");
    // Crop from 21 pixels each way; opening the menu ends pencil mode.
    for (const QSize size : {QSize(20, 21), QSize(21, 20), QSize(21, 21)}) {
        z.ImgX().canvas().LoadFromPicture(QImage(size, QImage::Format_RGB32), 0);
        z.PencilOn = true;
        EXPECT_EQ(
            enabled({m.mnuActionCrop->menuAction(), m.mnuActionGray, m.mnuActionCropSelection},
                    m.mnuAction),
            size == QSize(21, 21) ? "mnuActionCrop mnuActionGray" : "mnuActionGray");
        EXPECT_FALSE(z.PencilOn);
    }
    const char* const about =
        "Quorvane   v1.0\nCopyright (C) 2026 The Quorvane developers.\nAll rights reserved.\n\n"
        "Compliments of:\n-   Tallowfen Screen Clock\n-   Brindlemark Photo Album\n"
        "-   Quillstone Font Browser";
    std::vector<QWidget*> helpWhileBoxShown{nullptr};
    prompter.expectMessage(
        [&] { return helpWhileBoxShown = desktop.helpOwners, QString::fromLatin1(about); },
        Buttons::Ok, Icon::Information, "About Help...", Answer::Ok);
    m.mnu_About->trigger();
    EXPECT_EQ(std::pair(helpWhileBoxShown, desktop.helpOwners),
              std::pair(std::vector<QWidget*>{}, std::vector<QWidget*>{&z}));

    m.mnu_Disp->trigger();
    desktop.displaySettingsStart = false;
    expectBox(
        "The display settings could not be opened.\n\n"
        "No display settings program was found for this desktop.",
        "Quorvane");
    m.mnu_Disp->trigger();
    EXPECT_EQ(desktop.displaySettingsStarts, 2);

    QImage marked = filled({120, 60}, Qt::white);
    for (int y = 0; y < 60; ++y) marked.setPixel(0, y, qRgb(255, 0, 0));
    z.ImgX().canvas().LoadFromPicture(marked, 0);
    doubleClick(view(), QPoint(1, 1));
    EXPECT_EQ(std::pair(z.view().size(), z.frameGeometry().topLeft()),
              std::pair(QSize(120, 60), centredOnScreen(z.frameGeometry().size())));
    QList<QSize> sizes;
    for (QAction* item : {m.mnu_90, m.mnu_640, m.mnu_FitScreen}) {
        item->trigger();
        sizes << z.view().size();
        EXPECT_TRUE(item != m.mnu_90 || z.view().picture().pixel(30, 0) == qRgb(255, 0, 0));
    }
    EXPECT_EQ(sizes, QList<QSize>({{60, 120}, {640, 1280}, {1024, 768}}));
    const auto history = [&] {
        return m.mnuEditUndo->text() + " | " + m.mnuEditRedo->text() + " | " +
               enabled({m.mnuEditUndo, m.mnuEditRedo});
    };
    m.mnu_FVert->trigger();
    EXPECT_EQ(history(), "Undo Flip | Redo | mnuEditUndo");
    m.mnuEditUndo->trigger();
    EXPECT_EQ(history(), "Undo Resize | Redo Flip | mnuEditUndo mnuEditRedo");
    EXPECT_EQ(z.view().picture().pixel(0, 0), qRgb(255, 0, 0)) << "the flip is undone";

    z.ImgX().canvas().LoadFromPicture(QImage(2000, 2000, QImage::Format_RGB32), 0);
    EXPECT_EQ(std::pair(z.view().size(), z.frameGeometry().topLeft()),
              std::pair(QSize(2000, 2000), QPoint(0, 0)));  // kept on screen

    expectBox(
        "There was an error with Toolbox.\n\nPossible causes:\n"
        "Program files not correctly registered with Windows.\n"
        "A .DLL library file conflict with another application.\n\n"
        "Restart or reinstall Quorvane.",
        "Error", Icon::Information);
    start([]() -> std::unique_ptr<imaging::ImgX> { throw std::runtime_error("no engine"); });
    EXPECT_EQ(std::pair(zarn->loaded(), endProgramCount), std::pair(false, 1));
}

enum class Reply { Unchanged, No, Cancel, SaveAsCancelled, SaveAsWritten, Count };

// File > Exit (true) or the window closed, with the reply to "... has changed.".
class Closing : public EditorTest, public ::testing::WithParamInterface<std::tuple<bool, int>> {};

// A close hands back to the main window; Exit ends the program without doing so first.
TEST_P(Closing, AsksToSaveAChangedImageAndGoesOnlyWhenItIsSafeOrGivenUp) {
    const bool exit = std::get<0>(GetParam());
    const Reply reply = Reply(std::get<1>(GetParam()));
    const bool closes = reply != Reply::Cancel && reply != Reply::SaveAsCancelled;
    const Answer answers[] = {Answer::Ok, Answer::No, Answer::Cancel, Answer::Yes, Answer::Yes};
    editor::Zarn& z = startWith("cat.png");
    if (reply != Reply::Unchanged) {
        z.ImgX().effects().Flip(1, 0);
        expectChangedQuestion("cat.png", answers[int(reply)]);
    }
    const QString kept = folder.filePath("kept.bmp");
    if (reply == Reply::SaveAsCancelled) prompter.expectSaveFile("Save As", std::nullopt);
    if (reply == Reply::SaveAsWritten) {
        prompter.expectSaveFile("Save As", FileDialogResult{kept, 1});
        answerOptions();
        expectInformation(kept, 2);
    }
    exit ? z.menus().mnu_AllQuit->trigger() : void(z.close());
    QCoreApplication::processEvents();  // the end runs from the event loop

    EXPECT_EQ(std::tuple(quitCount, unloadedCount, QFile::exists(kept),
                         !zarn.isNull() && zarn->isVisible()),
              std::tuple(int(exit && closes), int(!exit && closes), reply == Reply::SaveAsWritten,
                         !closes));
    if (closes) return;
    // Kept open, the toolbox closes as usual later and hands back to the main window.
    expectChangedQuestion("cat.png", Answer::No);
    z.close();
    EXPECT_EQ(std::pair(unloadedCount, quitCount), std::pair(1, 0));
}

INSTANTIATE_TEST_SUITE_P(Answers, Closing,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Range(0, int(Reply::Count))));

TEST_F(ZarnWindow, TheMouseSelectsAndCropsDrawsAndFramesThePicture) {
    editor::Zarn& z = startWithPicture(filled({40, 30}, Qt::white));
    const editor::ZarnMenus& m = z.menus();
    EXPECT_FALSE(z.NoLine);
    z.Form_Activate();
    drag({10, 10}, {20, 20});  // disarmed by the activation; the position is followed
    EXPECT_EQ(std::pair(z.selectorShown(), QPoint(z.PointX, z.PointY)),
              std::pair(false, QPoint(20, 20)));
    doubleClick(view(), QPoint(1, 1));
    drag({10, 10}, {10, 10});
    EXPECT_FALSE(z.selectorShown()) << "a click without a drag selects nothing";
    drag({10, 10}, {5, 20}, false);
    EXPECT_EQ(std::pair(desktop.confinedTo, z.selection()),
              std::pair(static_cast<QWidget*>(&z.view()), QRect(5, 10, 6, 11)));
    const QImage shown = z.view().grab().toImage();
    for (const QPoint p : {QPoint(5, 10), QPoint(10, 20)})
        EXPECT_NE(shown.pixel(p), qRgb(255, 255, 255)) << "marked on the picture";
    for (const QPoint p : {QPoint(4, 10), QPoint(11, 20), QPoint(10, 21)})
        EXPECT_EQ(shown.pixel(p), qRgb(255, 255, 255)) << "and nothing beside it";
    QTest::mouseMove(view(), {100, -7});  // beyond the picture: held at its edge
    const int releases = desktop.releases;
    QTest::mouseRelease(view(), Qt::LeftButton, {}, {100, -7});
    EXPECT_EQ(z.selection(), QRect(QPoint(10, 0), QPoint(39, 10)));
    EXPECT_EQ(std::pair(desktop.confinedTo, desktop.releases),
              std::pair(static_cast<QWidget*>(nullptr), releases + 1))
        << "a release always lets the pointer go";
    EXPECT_EQ(enabled({m.mnuActionCropSelection}, m.mnuAction), "mnuActionCropSelection");
    m.mnuActionCropSelection->trigger();
    EXPECT_EQ(std::pair(QSize(z.ImgX().Width(), z.ImgX().Height()), z.selectorShown()),
              std::pair(QSize(30, 11), false));
    z.ImgX().canvas().LoadFromPicture(filled({40, 30}, Qt::white), 0);
    prompter.expectColor("Select Pencil Color", std::nullopt);
    m.mnuActionDraw->trigger();
    EXPECT_FALSE(z.PencilOn) << "the colour was cancelled";
    z.Form_Activate();  // Draw arms the mouse by itself
    prompter.expectColor("Select Pencil Color", QColor(255, 0, 0));
    m.mnuActionDraw->trigger();
    EXPECT_TRUE(z.PencilOn && !z.NoLine);
    // From (1, 1) to (5, 4): each step of the minor axis falls short of the far end.
    QTest::mouseMove(view(), {3, 3});  // no button: no ink
    QTest::mousePress(view(), Qt::LeftButton, {}, {1, 1});
    EXPECT_EQ(pixel(1, 1), qRgb(255, 255, 255)) << "a press plots nothing";
    QTest::mouseMove(view(), {1, 1});
    QTest::mouseMove(view(), {5, 4});
    QTest::mouseRelease(view(), Qt::LeftButton, {}, {5, 4});
    QImage drawn = filled({40, 30}, Qt::white);
    for (const QPoint p : {QPoint(1, 1), QPoint(2, 2), QPoint(3, 2), QPoint(4, 3), QPoint(5, 3)})
        drawn.setPixel(p, qRgb(255, 0, 0));
    EXPECT_EQ(
        std::pair(z.view().picture().convertToFormat(QImage::Format_RGB32), m.mnuEditUndo->text()),
        std::pair(drawn, QString("Undo Drawing")));
    m.mnuEditUndo->trigger();
    EXPECT_EQ(pixel(3, 2), qRgb(255, 255, 255));

    prompter.expectColor("Select Background color", QColor(0, 0, 255));
    m.mnu_BKGrnd->trigger();
    EXPECT_EQ(std::pair(z.view().size(), pixel(0, 0)),
              std::pair(QSize(1024, 768), qRgb(0, 0, 255)));
    prompter.expectColor("Select Background color", std::nullopt);
    m.mnu_BKGrnd->trigger();
    EXPECT_EQ(prompter.asked().back().initialColor, QColor(0, 0, 255)) << "from the last colour";
}

// Mix's choices outlive the toolbox; the shrunk overlay goes where the right button comes up.
TEST_F(ZarnWindow, MixAndPlacementPutTheOverlayWhereAsked) {
    prompter.expectColor("Select canvas color", QColor(Qt::blue));
    editor::Zarn& z = start();
    z.menus().mnu_Mix->trigger();
    operations::SetOL* dialog = z.overlayDialog();
    ASSERT_TRUE(dialog && dialog->isVisible() && !z.isVisible());
    EXPECT_EQ(std::pair(z.ImgX().Width(), pixel(500, 500)), std::pair(1024, qRgb(0, 0, 255)));
    const QString photo = saved("photo.png", {800, 600}, Qt::red);
    expectOpenDialog(photo);
    dialog->optFull->click();  // "Quarter Size"
    EXPECT_TRUE(z.isVisible() && !dialog->isVisible() && z.placement.OverlayArmed);
    doubleClick(view(), QPoint(1, 1));
    expectAnother(Answer::Yes);
    rightClickAfterHover({10, 10});
    EXPECT_EQ(std::tuple(pixel(409, 309), pixel(410, 310), dialog->isVisible()),
              std::tuple(qRgb(255, 0, 0), qRgb(0, 0, 255), true))
        << "400 x 300 at (10, 10); Yes goes back for the next image";
    dialog->Check1->click();
    expectOpenDialog(photo);
    dialog->opt400->click();  // "Medium Size Overlay"
    // Closing the Mix or 4 In 1 window is its Cancel and brings the toolbox back.
    for (QAction* command : {z.menus().mnu_Mix, z.menus().mnu_Quad}) {
        command->trigger();
        QWidget* shown = command == z.menus().mnu_Mix ? static_cast<QWidget*>(z.overlayDialog())
                                                      : z.quadDialog();
        ASSERT_TRUE(shown && shown->isVisible() && !z.isVisible());
        shown->close();
        EXPECT_TRUE(z.isVisible() && !shown->isVisible()) << command->objectName().toStdString();
    }
    EXPECT_EQ(pixel(409, 309), qRgb(255, 0, 0)) << "on a picture, Mix keeps it";
    expectChangedQuestion("New Image", Answer::No);
    z.close();
    editor::Zarn& again = start();
    const operations::PlacementSettings& kept = again.placement;
    EXPECT_EQ(
        std::tuple(kept.OverlayArmed, kept.OverlayTransparent, kept.OverlaySize, kept.OverlayFile),
        std::tuple(false, true, 3, photo))
        << "a fresh toolbox keeps the choices, not the arming";
    again.ImgX().canvas().LoadFromPicture(filled({600, 400}, Qt::white), 0);
    doubleClick(view(), QPoint(1, 1));
    const QString overlay = folder.filePath("overlay.png");
    again.placement = {true, false, 5, overlay};
    expectSomeBox("ImgX");
    rightClickAfterHover({10, 20});
    EXPECT_EQ(std::pair(again.placement.OverlayArmed, again.ImgX().UndoCount()), std::pair(true, 0))
        << "a file that cannot be placed changes nothing";
    saved("overlay.png", {400, 300}, Qt::black);
    expectAnother(Answer::No);
    QTest::mousePress(view(), Qt::RightButton, {}, {30, 40});
    QTest::mouseRelease(view(), Qt::RightButton, {}, {10, 20});
    // 200 x 150 from 400 x 300, its top-left corner where the button came up.
    EXPECT_EQ(std::vector<QRgb>(
                  {pixel(9, 20), pixel(10, 19), pixel(10, 20), pixel(209, 169), pixel(210, 170)}),
              std::vector<QRgb>({0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}));
    EXPECT_FALSE(again.placement.OverlayArmed);
    rightClickAfterHover({10, 20});  // disarmed: nothing more is asked

    // See-through at 70 %; Yes asks for another file.
    again.placement = {true, true, 0, overlay};
    QSignalSpy requests(&again, &editor::Zarn::anotherOverlayRequested);
    expectAnother(Answer::Yes);
    rightClickAfterHover({300, 300});
    EXPECT_EQ(std::tuple(pixel(300, 300), again.placement.OverlayFile, requests.size()),
              std::tuple(qRgb(77, 77, 77), QString(), 1));  // 255 * 30 %, rounded
}

TEST_F(ZarnWindow, FourInOnePutsFourImagesInTheQuartersOfAScreenSizedPictureOrSaysWhyNot) {
    // A folder named "Images": a path is a choice whatever words it holds.
    QDir(folder.path()).mkdir("Images");
    QString paths[4];
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int i = 0; i < 4; ++i)
        paths[i] = saved(QStringLiteral("Images/%1.png").arg(i + 1), {800, 600}, colours[i]);
    const auto pickAll = [&](operations::Quad& quad, int skip = 0) {
        for (int slot = 1; slot <= 4; ++slot) {
            if (slot == skip) continue;
            expectOpenDialog(paths[slot - 1], "Select Image");
            quad.cmd[slot - 1]->click();
        }
    };
    editor::Zarn& z = startWithPicture(filled({80, 60}, Qt::white));
    z.menus().mnu_Quad->trigger();
    operations::Quad& quad = *z.quadDialog();
    pickAll(quad, 3);
    expectBox("An image has not been selected.", "Error", Icon::Critical);
    quad.cmdOk->click();
    ASSERT_TRUE(quad.isVisible());
    // A file gone before OK is an error and the document stays.
    pickAll(quad);
    QFile::rename(paths[2], paths[2] + ".gone");
    expectBox("There was an error creating the composit image.", "Error");
    quad.cmdOk->click();
    QFile::rename(paths[2] + ".gone", paths[2]);
    EXPECT_EQ(std::pair(z.isVisible(), z.ImgX().Width()), std::pair(true, 80));

    z.menus().mnu_Quad->trigger();
    pickAll(*z.quadDialog());
    EXPECT_EQ(
        std::pair(z.quadDialog()->cmd[1]->text(), z.quadDialog()->Picture[1]->pixmap().size()),
        std::pair(paths[1], QSize(75, 55)));
    z.quadDialog()->cmdOk->click();
    EXPECT_EQ(std::tuple(z.view().size(), pixel(511, 383), pixel(512, 0), pixel(0, 384),
                         pixel(1023, 767), z.ImgX().Modified()),
              std::tuple(QSize(1024, 768), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                         qRgb(255, 255, 0), true));
}

}  // namespace
