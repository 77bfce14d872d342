#include "e2e/Journey.h"

// The Image ToolBox from the preview to its close: open a file through the real file
// dialog, select and crop, draw and undo, resize to the screen and save, close it from the
// window manager - each step read back from the screen pixel by pixel or from the file. Once at one
// screen pixel per unit of size, once with Qt scaling every size by two.
namespace e2e {
namespace {

// Every pixel says where it is: red is its column, green its row. Wherever a piece of it
// turns up on the screen, its colours tell which piece it is.
QImage coordinatePicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) picture.setPixel(x, y, qRgb(x, y, 128));
    return picture;
}

// The picture pixels the screen at `origin` does not show, as their bounding box.
QRect differingArea(const QImage& screen, QPoint origin, const QImage& picture) {
    QRect area;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!screen.rect().contains(origin + QPoint(x, y)) ||
                screen.pixel(origin + QPoint(x, y)) != picture.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

// Where the screen shows the picture pixel for pixel, found by its top-left pixel's colour.
std::optional<QPoint> placeOf(const QImage& screen, const QRect& area, const QImage& picture) {
    const QRect inside = area & screen.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (screen.pixel(x, y) == picture.pixel(0, 0) &&
                differingArea(screen, {x, y}, picture).isEmpty())
                return QPoint(x, y);
    return std::nullopt;
}

// Run at Qt's scale factor: logical sizes times this many screen pixels, on a screen of
// 1024 x 768 logical pixels.
class ToolboxJourney : public Journey, public ::testing::WithParamInterface<int> {
protected:
    // Where the toolbox shows its picture now: it fits itself to the picture it holds.
    QPoint origin() { return geometryOf(toolbox.id).value_or(QRect()).topLeft() + offset; }
    // Waits for the toolbox to show exactly `picture`.
    ::testing::AssertionResult showsPicture(const QImage& picture) {
        QRect wrong;
        if (waitForScreen([&](const QImage& shot) {
                return (wrong = differingArea(shot, origin(), picture)).isEmpty();
            }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "the picture differs within " << wrong.x() << ',' << wrong.y() << ' '
               << wrong.width() << 'x' << wrong.height();
    }
    bool chooseFile(const QString& path) {
        const std::optional<Shown> dialog = window("Open");
        return dialog && typeInto(*dialog, path) && keys(*dialog, {"Return"}) &&
               waitForGone(dialog->id);
    }
    bool toolboxIs(const QString& title) {
        const std::optional<Shown> shown = window(title);
        if (shown) toolbox = *shown;
        return shown && titles() == QStringList{title} &&
               QRect(QPoint(), screenSize).contains(shown->geometry);
    }

    Shown toolbox;
    QPoint offset;  // of the picture's top-left pixel from the toolbox's client area
};

TEST_P(ToolboxJourney, OpensCropsDrawsUndoesAndClosesAskingAboutTheChanges) {
    const int scale = GetParam();
    ASSERT_EQ(startDesktop(QSize(1024, 768) * scale), QString());
    const QString pictures = folder.filePath("home/pictures");
    QDir().mkpath(pictures);
    const QImage picture = coordinatePicture({200, 150});
    picture.save(pictures + "/coords.png");
    ASSERT_EQ(startProgram(600000, scale), QString());

    std::optional<Shown> main = window("Quorvane");
    ASSERT_TRUE(main) << "shown: " << titles().join(" | ").toStdString();
    const std::optional<QRect> preview = previewBox(screen(), main->geometry, scale);
    ASSERT_TRUE(preview) << "no empty preview box in the main window";
    ASSERT_TRUE(click(preview->center(), 1, 2));
    ASSERT_TRUE(toolboxIs("  Image ToolBox"))
        << "a double click on the preview opened no toolbox; shown: "
        << titles().join(" | ").toStdString();

    // File > Open: the title names the file, every pixel of the image one pixel of the screen.
    ASSERT_TRUE(keys(toolbox, {"alt+f", "o"}));
    ASSERT_TRUE(chooseFile(pictures + "/coords.png"));
    ASSERT_TRUE(toolboxIs("  coords.png")) << "shown: " << titles().join(" | ").toStdString();
    std::optional<QPoint> at;
    ASSERT_TRUE(waitForScreen([&](const QImage& shot) {
        return (at = placeOf(shot, toolbox.geometry, picture)).has_value();
    })) << "the toolbox does not show the image one to one";
    offset = *at - toolbox.geometry.topLeft();

    // A double click arms the mouse; a drag selects; Crop > Selection keeps what the rubber
    // band showed. The points lie on whole logical pixels at either scale.
    ASSERT_TRUE(click(*at + QPoint(100, 76), 1, 2));
    const QPoint anchor(20, 30), corner(120, 100);
    ASSERT_TRUE(drag(*at + anchor, {*at + QPoint(60, 60), *at + corner}));
    QRect band;
    EXPECT_TRUE(waitForScreen([&](const QImage& shot) {
        return !(band = differingArea(shot, *at, picture)).isEmpty();
    })) << "no selection shown";
    EXPECT_EQ(band.topLeft(), anchor) << "the selection does not start where the drag did";
    EXPECT_TRUE(band.contains(corner)) << "the selection does not reach the pointer";
    ASSERT_TRUE(keys(toolbox, {"alt+a", "c", "s"}));
    const QImage cropped = picture.copy(band);
    ASSERT_TRUE(showsPicture(cropped)) << "the crop did not keep what the selection showed";

    // Action > Draw with a pure green from the colour dialog: the stroke's pixels turn green
    // from the first point the pointer moved to, and Undo takes them back.
    ASSERT_TRUE(keys(toolbox, {"alt+a", "d"}));
    const std::optional<Shown> colours = window("Select Pencil Color");
    ASSERT_TRUE(colours) << "shown: " << titles().join(" | ").toStdString();
    ASSERT_TRUE(keys(*colours, {"alt+h", "ctrl+a"}) && typeInto(*colours, "#00ff00") &&
                keys(*colours, {"Return"}) && waitForGone(colours->id));
    const int row = 40, first = 10 + scale, last = 80;
    ASSERT_TRUE(drag(origin() + QPoint(10, row),
                     {origin() + QPoint(first, row), origin() + QPoint(last, row)}));
    QImage drawn = cropped;
    for (int x = first; x <= last; ++x) drawn.setPixel(x, row, qRgb(0, 255, 0));
    EXPECT_TRUE(showsPicture(drawn));
    // Undo, the Edit menu's first item, names the step it undoes in place of its mnemonic.
    ASSERT_TRUE(keys(toolbox, {"alt+e", "Return"}));
    EXPECT_TRUE(showsPicture(cropped)) << "Undo did not take the stroke back";

    // Image > Resize > Screen Size makes the image the screen's size in device pixels, which
    // File > Save writes over the file; Undo brings the crop back, unsaved.
    ASSERT_TRUE(keys(toolbox, {"alt+i", "r", "s", "alt+f", "s"}));
    const QString saved = pictures + "/coords.png";
    EXPECT_TRUE(waitFor([&] { return QImage(saved).size() == screenSize; }))
        << "saved at " << QImage(saved).width() << 'x' << QImage(saved).height();
    ASSERT_TRUE(keys(toolbox, {"alt+e", "Return"}));
    EXPECT_TRUE(showsPicture(cropped)) << "Undo did not take the resize back";

    // Closed by the window manager (openbox's Alt+F4), the toolbox asks about the changes;
    // No brings the main window back, and nothing was ever saved to the show list.
    ASSERT_TRUE(keys(toolbox, {"alt+F4"}));
    ASSERT_TRUE(answer("ToolBox", "n")) << "shown: " << titles().join(" | ").toStdString();
    main = window("Quorvane");
    ASSERT_TRUE(main) << "shown: " << titles().join(" | ").toStdString();
    EXPECT_EQ(titles(), QStringList{"Quorvane"});
    EXPECT_TRUE(program->terminate());
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(program->applied(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(, ToolboxJourney, ::testing::Values(1, 2), [](const auto& info) {
    return std::string(info.param == 1 ? "OneToOne" : "ScaledByTwo");
});

}  // namespace
}  // namespace e2e
