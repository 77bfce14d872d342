#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "EditorFixture.h"
#include "editor/ImageView.h"
#include "imaging/ImgX.h"
#include "operations/Quad.h"
#include "operations/SetOL.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;

class Compositing : public EditorTest {
protected:
    QString file(const QString& name, QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = QDir(folder.path()).filePath(name);
        image.save(path);
        return path;
    }
    editor::Zarn& startWhite(QSize size = {80, 60}) {
        editor::Zarn& z = start();
        z.ImgX().canvas().LoadFromPicture(QImage(size, QImage::Format_RGB32), 0);
        z.ImgX().effects().CreateBlank(size.width(), size.height(), 0xFFFFFF, 0, 0, 0);
        return z;
    }
    QRgb pixel(int x, int y) { return zarn->ImgX().image().pixel(x, y); }
};

struct OpacityCase {
    std::optional<QString> answer;
    int grey;  // of white under black at that opacity
};

class OverlayNormal : public Compositing, public ::testing::WithParamInterface<OpacityCase> {};

TEST_P(OverlayNormal, StretchesTheImageOverTheWholePictureAtTheTypedOpacity) {
    const QString overlay = file("dark.png", {200, 100}, Qt::black);
    editor::Zarn& z = startWhite();
    const int stepsBefore = z.ImgX().UndoCount();
    prompter.expectOpenFile("Open", platform::FileDialogResult{overlay, 1});
    prompter.expectInput("What opacity? [1..100]", "Quorvane", GetParam().answer);
    z.mnu_Normal_Click();
    EXPECT_EQ(prompter.asked()[0].fileRequest.filter,
              "Images|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;*.wmf");
    EXPECT_EQ(prompter.asked()[1].defaultText, "50");
    const int grey = GetParam().grey;
    EXPECT_EQ(pixel(0, 0), qRgb(grey, grey, grey));
    EXPECT_EQ(pixel(79, 59), qRgb(grey, grey, grey));
    EXPECT_EQ(z.ImgX().UndoCount(), stepsBefore + (grey == 255 ? 0 : 1));
    EXPECT_EQ(z.view().picture().pixel(0, 0), pixel(0, 0)) << "the window shows the document";
}

// (255 x (100 - opacity) + 50) / 100, the engine's exact blend of black over white.
INSTANTIATE_TEST_SUITE_P(Answers, OverlayNormal,
                         ::testing::Values(OpacityCase{"75", 64}, OpacityCase{"30%", 179},
                                           OpacityCase{"2.5", 250}, OpacityCase{"0.4", 255},
                                           OpacityCase{"abc", 255}, OpacityCase{"", 255},
                                           OpacityCase{std::nullopt, 255}));

TEST_F(Compositing, OverlayOfAnUnreadableFileSaysSo) {
    const QString bad = folder.write("bad.png", "not a picture");
    startWhite();
    prompter.expectOpenFile("Open", platform::FileDialogResult{bad, 1});
    prompter.expectMessage("Error with image.", Buttons::Ok, Icon::Exclamation, "Overlay",
                           Answer::Ok);
    zarn->mnu_Normal_Click();
    EXPECT_EQ(pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(Compositing, MixOnAnEmptyEditorStartsFromAScreenSizedCanvasAndPlacesByRightClicks) {
    const QString photo = file("photo.png", {800, 600}, Qt::red);
    editor::Zarn& z = start();
    prompter.expectColor("Select canvas color", QColor(Qt::blue));
    z.mnu_Mix_Click();
    ASSERT_NE(z.overlayDialog(), nullptr);
    EXPECT_TRUE(z.overlayDialog()->isVisible());
    EXPECT_FALSE(z.isVisible());
    EXPECT_EQ(z.ImgX().Width(), 1024);
    EXPECT_EQ(pixel(500, 500), qRgb(0, 0, 255));

    prompter.expectOpenFile("Open", platform::FileDialogResult{photo, 1});
    z.overlayDialog()->optFull->click();  // "Quarter Size"
    EXPECT_TRUE(z.isVisible());
    EXPECT_FALSE(z.overlayDialog()->isVisible());
    EXPECT_TRUE(z.placement.OverlayArmed);

    z.Form_MouseMove(Qt::NoButton, {10, 10});
    prompter.expectMessage("Insert additional images?", Buttons::YesNo, Icon::Question, "Another?",
                           Answer::Yes);
    z.Form_MouseUp(Qt::RightButton, {10, 10});
    EXPECT_EQ(pixel(409, 309), qRgb(255, 0, 0)) << "400 x 300 at (10, 10)";
    EXPECT_EQ(pixel(410, 310), qRgb(0, 0, 255));
    EXPECT_TRUE(z.overlayDialog()->isVisible()) << "Yes goes back for the next image";
    EXPECT_FALSE(z.overlayDialog()->optFull->isChecked());

    z.overlayDialog()->cmdCancel->click();
    EXPECT_TRUE(z.isVisible());
}

TEST_F(Compositing, MixOnAPictureAsksNoColourAndKeepsIt) {
    editor::Zarn& z = startWhite();
    z.mnu_Mix_Click();
    EXPECT_EQ(z.ImgX().Width(), 80);
    z.overlayDialog()->Check1->click();
    EXPECT_TRUE(z.placement.OverlayTransparent);
}

class FourInOne : public Compositing {
protected:
    void SetUp() override {
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        // A folder named "Images": a path is a choice whatever words it holds.
        QDir(folder.path()).mkdir("Images");
        for (int i = 0; i < 4; ++i)
            paths[i] = file(QStringLiteral("Images/%1.png").arg(i + 1), {800, 600}, colours[i]);
    }
    void pickAll(operations::Quad& quad, int skip = 0) {
        for (int slot = 1; slot <= 4; ++slot) {
            if (slot == skip) continue;
            prompter.expectOpenFile("Select Image", platform::FileDialogResult{paths[slot - 1], 1});
            quad.cmd[slot - 1]->click();
        }
    }
    QString paths[4];
};

TEST_F(FourInOne, PutsFourImagesInTheQuartersOfAScreenSizedPicture) {
    editor::Zarn& z = startWhite();
    z.mnu_Quad_Click();
    operations::Quad& quad = *z.quadDialog();
    EXPECT_FALSE(z.isVisible());
    pickAll(quad);
    EXPECT_EQ(quad.cmd[1]->text(), paths[1]);
    EXPECT_EQ(quad.Picture[1]->pixmap().size(), QSize(75, 55));
    quad.cmdOk->click();
    EXPECT_TRUE(z.isVisible());
    EXPECT_FALSE(quad.isVisible());
    EXPECT_EQ(z.view().size(), QSize(1024, 768));
    EXPECT_EQ(pixel(511, 383), qRgb(255, 0, 0));
    EXPECT_EQ(pixel(512, 0), qRgb(0, 255, 0));
    EXPECT_EQ(pixel(0, 384), qRgb(0, 0, 255));
    EXPECT_EQ(pixel(1023, 767), qRgb(255, 255, 0));
    EXPECT_TRUE(z.ImgX().Modified());
}

TEST_F(FourInOne, AnOddScreenLosesTheLastColumnAndRowAtTheEdge) {
    std::unique_ptr<imaging::ImgX> result;
    operations::Quad quad(
        {prompter, QSize(1023, 767), [] {},
         [&](std::unique_ptr<imaging::ImgX> canvas) { result = std::move(canvas); }});
    pickAll(quad);
    quad.cmdOk_Click();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(QSize(result->Width(), result->Height()), QSize(1023, 767));
    EXPECT_EQ(result->image().pixel(511, 383), qRgb(255, 0, 0));
    EXPECT_EQ(result->image().pixel(512, 383), qRgb(0, 255, 0));
    EXPECT_EQ(result->image().pixel(1022, 766), qRgb(255, 255, 0));
}

TEST_F(FourInOne, AskesBeforeDistortingAndNoPicksAnotherFile) {
    const QString tall = file("tall.png", {600, 800}, Qt::black);
    operations::Quad quad({prompter, QSize(1024, 768), [] {}, [](auto) {}});
    prompter.expectOpenFile("Select Image", platform::FileDialogResult{tall, 1});
    prompter.expectMessage("This image will be distorted. Proceed?", Buttons::YesNo, Icon::Question,
                           "600 x 800", Answer::No);
    prompter.expectOpenFile("Select Image", platform::FileDialogResult{paths[0], 1});
    quad.cmd[0]->click();
    EXPECT_EQ(quad.chosen(1), paths[0]);
}

class MissingSlot : public FourInOne, public ::testing::WithParamInterface<int> {};

TEST_P(MissingSlot, IsNamedAndTheDialogStays) {
    bool adopted = false;
    operations::Quad quad({prompter, QSize(1024, 768), [] {}, [&](auto) { adopted = true; }});
    quad.show();
    pickAll(quad, GetParam());
    prompter.expectMessage("An image has not been selected.", Buttons::Ok, Icon::Critical, "Error",
                           Answer::Ok);
    quad.cmdOk->click();
    EXPECT_TRUE(quad.isVisible());
    EXPECT_FALSE(adopted);
}

INSTANTIATE_TEST_SUITE_P(Slots, MissingSlot, ::testing::Values(1, 3));

TEST_F(FourInOne, AFileGoneBeforeOkIsAnErrorAndTheDocumentStays) {
    editor::Zarn& z = startWhite();
    z.mnu_Quad_Click();
    pickAll(*z.quadDialog());
    QFile::remove(paths[2]);
    prompter.expectMessage("There was an error creating the composit image.", Buttons::Ok,
                           Icon::Exclamation, "Error", Answer::Ok);
    z.quadDialog()->cmdOk->click();
    EXPECT_TRUE(z.isVisible());
    EXPECT_EQ(z.ImgX().Width(), 80);
}

}  // namespace
