// The toolbox on a display scaled to 200 %: windows are placed in logical pixels, pictures are
// shown and edited in device pixels, one to each image pixel.
#include "EditorFixture.h"

namespace {

using namespace testing_support;

TEST_F(EditorTest, OnAScaledDisplayShowsAndEditsOneDevicePixelToAnImagePixel) {
    // Registered a second time with QT_SCALE_FACTOR=2, where alone it runs.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) GTEST_SKIP() << "runs scaled only";
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    desktop.scale = 2;
    editor::Zarn& z = startWith("photo.png");  // 40 x 30, left half red, right half blue
    EXPECT_EQ(z.view().size(), QSize(20, 15)) << "logical pixels";
    QImage shown = z.view().grab().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(std::pair(shown.pixelColor(19, 15), shown.pixelColor(20, 15)),
              std::pair(kLeftColour, kRightColour));
    // Screen Size makes a picture as large as the screen really is, shown whole.
    z.menus().mnu_FitScreen->trigger();
    EXPECT_EQ(QSize(z.ImgX().Width(), z.ImgX().Height()), QSize(2048, 1536));
    EXPECT_EQ(z.view().size(), QSize(1024, 768));

    z.ImgX().canvas().LoadFromPicture(filled({200, 150}, Qt::white), 0);
    doubleClick(view(), QPoint(1, 1));
    drag({5, 5}, {10, 12});
    EXPECT_EQ(z.selection(), QRect(QPoint(10, 10), QPoint(20, 24)));
    drag({90, 70}, {300, 300});  // stops at the last device pixel, not the last logical one
    EXPECT_EQ(z.selection(), QRect(QPoint(180, 140), QPoint(199, 149)));
    z.placement = {true, false, 5, saved("mark.png", {40, 40}, Qt::black)};
    expectAnother(Answer::No);
    rightClickAfterHover({30, 40});
    shown = z.view().grab().toImage();
    EXPECT_EQ(std::pair(shown.pixel(60, 80), shown.pixel(79, 99)),
              std::pair(qRgb(0, 0, 0), qRgb(0, 0, 0)))
        << "20 x 20 placed at device pixel (60, 80)";
    EXPECT_EQ(std::pair(shown.pixel(59, 80), shown.pixel(80, 100)),
              std::pair(qRgb(255, 255, 255), qRgb(255, 255, 255)));
}

}  // namespace
