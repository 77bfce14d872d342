// The toolbox on a display scaled to 200 %: windows are placed in logical pixels, pictures are
// shown and edited in device pixels, one to each image pixel.
#include <QMenu>
#include <QTest>

#include "EditorFixture.h"
#include "support/UserInput.h"

namespace {

using namespace testing_support;

class ScaledDisplay : public EditorTest {
protected:
    void SetUp() override {
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
        desktop.scale = 2;
    }
    QWidget* view() { return &zarn->view(); }
    // The view as the screen shows it, in device pixels.
    QImage onScreen() { return zarn->view().grab().toImage(); }
    // Where the screen shows anything but the white picture.
    QRect markedOnScreen() {
        const QImage shown = onScreen();
        QRect marked;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (shown.pixel(x, y) != qRgb(255, 255, 255)) marked |= QRect(x, y, 1, 1);
        return marked;
    }
};

TEST_F(ScaledDisplay, ShowsTheImageOneDevicePixelToAnImagePixelInAWindowOnTheScreen) {
    editor::Zarn& z = startWith("photo.png");  // 40 x 30, left half red, right half blue
    EXPECT_EQ(z.view().size(), QSize(20, 15)) << "logical pixels";
    const QImage shown = onScreen();
    ASSERT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(shown.pixelColor(19, 15), kLeftColour);
    EXPECT_EQ(shown.pixelColor(20, 15), kRightColour);
    EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(z.frameGeometry()));

    // Screen Size makes a picture as large as the screen really is, which the window then
    // shows whole on a screen of 1024 x 768 logical pixels.
    z.menus().mnu_FitScreen->trigger();
    EXPECT_EQ(QSize(z.ImgX().Width(), z.ImgX().Height()), QSize(2048, 1536));
    EXPECT_EQ(z.view().size(), QSize(1024, 768));
    EXPECT_EQ(z.frameGeometry().topLeft(), QPoint(0, 0)) << "larger than the screen: top-left";
}

TEST_F(ScaledDisplay, TheMouseSelectsDrawsAndPlacesOnTheDevicePixelUnderThePointer) {
    editor::Zarn& z = startWithPicture(filled({200, 150}, Qt::white));
    doubleClick(view(), QPoint(1, 1));
    QTest::mousePress(view(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(view(), QPoint(10, 12));
    QTest::mouseRelease(view(), Qt::LeftButton, {}, QPoint(10, 12));
    EXPECT_EQ(z.selection(), QRect(QPoint(10, 10), QPoint(20, 24)));
    EXPECT_EQ(markedOnScreen(), z.selection()) << "the selector marks the very device pixels";
    // The selector stops at the picture's last device pixel, not at its last logical one.
    QTest::mousePress(view(), Qt::LeftButton, {}, QPoint(90, 70));
    QTest::mouseMove(view(), QPoint(300, 300));
    QTest::mouseRelease(view(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(z.selection(), QRect(QPoint(180, 140), QPoint(199, 149)));

    z.placement = {true, false, 5, folder.filePath("mark.png")};
    filled({40, 40}, Qt::black).save(z.placement.OverlayFile);
    prompter.expectMessage("Insert additional images?", Buttons::YesNo, Icon::Question, "Another?",
                           Answer::No);
    QTest::mouseMove(view(), QPoint(30, 40));
    QTest::mouseClick(view(), Qt::RightButton, {}, QPoint(30, 40));
    const QImage shown = onScreen();
    EXPECT_EQ(shown.pixel(60, 80), qRgb(0, 0, 0)) << "20 x 20 placed at device pixel (60, 80)";
    EXPECT_EQ(shown.pixel(79, 99), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(59, 80), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(80, 100), qRgb(255, 255, 255));
}

}  // namespace
