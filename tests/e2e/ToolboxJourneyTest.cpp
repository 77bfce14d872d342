#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QPainter>

#include "e2e/DesktopJourney.h"
#include "e2e/ScreenReading.h"
#include "showlist/PreviewFit.h"
#include "support/StoreFixture.h"

// The Image ToolBox from the preview to Exit: open a file through the real file dialog,
// select and crop, draw and undo, place an overlay with a right click, close the
// compositing windows from their title bars, blow the picture up to the screen's size and
// close the toolbox - each step read back from the screen pixel by pixel. Once at one
// screen pixel per unit of size, once with Qt scaling every size by two.
namespace e2e {
namespace {

const QRgb kPencil = qRgb(0, 255, 0);
const QRgb kOverlay = qRgb(250, 220, 10);

// Every pixel says where it is: red is its column, green its row. Wherever a piece of it
// turns up on the screen, its colours tell which piece it is.
QImage coordinatePicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) picture.setPixel(x, y, qRgb(x, y, 128));
    return picture;
}

// Where the screen shows the picture pixel for pixel, found by its top-left pixel's colour.
std::optional<QPoint> placeOf(const QImage& screen, const QRect& area, const QImage& picture) {
    const std::optional<QPoint> corner = findColour(screen, area, picture.pixel(0, 0));
    if (!corner || !firstDifference(screen, *corner, picture).isEmpty()) return std::nullopt;
    return corner;
}

// The middles of the round and square option marks down the left of a dialog, top to
// bottom: the white insides the most columns of the dialog's left third cross.
std::vector<QPoint> optionMarks(const QImage& screen, const QRect& dialog, int scale) {
    std::vector<QPoint> marks;
    int widest = 0;
    for (int x = dialog.left(); x < dialog.left() + dialog.width() / 3; ++x) {
        std::vector<QPoint> column;
        int length = 0;
        for (const PixelRun& run : runsDown(screen, x, dialog.top(), dialog.bottom(), isWhite))
            if (run.length >= 5 * scale && run.length <= 20 * scale) {
                column.push_back({x, run.middle()});
                length += run.length;
            }
        if (length > widest) {
            widest = length;
            marks = column;
        }
    }
    return marks;
}

// How far the screen at `origin` goes on showing `picture` from `from` rightwards and
// downwards: the size of the part of it shown there.
QSize partShown(const QImage& screen, QPoint origin, const QImage& picture, QPoint from) {
    const auto same = [&](int x, int y) {
        const QPoint at = origin + QPoint(x, y);
        return picture.rect().contains(from + QPoint(x, y)) && screen.rect().contains(at) &&
               screen.pixel(at) == picture.pixel(from + QPoint(x, y));
    };
    int width = 0, height = 0;
    while (same(width, 0)) ++width;
    while (same(0, height)) ++height;
    return {width, height};
}

bool isOverlayYellow(QRgb colour) {
    return qRed(colour) > 200 && qGreen(colour) > 170 && qBlue(colour) < 100;
}

struct ToolboxRow {
    const char* name;
    int scale;  // Qt's scale factor: logical sizes times this many screen pixels
    QSize screen;
};

void PrintTo(const ToolboxRow& row, std::ostream* out) { *out << row.name; }

class ToolboxJourney : public DesktopJourney, public ::testing::WithParamInterface<ToolboxRow> {
protected:
    // Where the toolbox shows its picture now: its client area's corner plus the height
    // of its menu bar, measured once.
    QPoint pictureOrigin() {
        const std::optional<ShownWindow> shown = desktop->x().describe(toolbox.id);
        return shown ? shown->geometry.topLeft() + pictureOffset : QPoint();
    }

    // Waits for the toolbox to show exactly `picture`.
    ::testing::AssertionResult showsPicture(const QImage& picture) {
        QString difference;
        if (waitForScreen([&](const QImage& shot) {
                difference = firstDifference(shot, pictureOrigin(), picture);
                return difference.isEmpty();
            }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << difference.toStdString();
    }

    // Opens a file through File > Open, or the dialog a command opens, typing its path.
    bool chooseFile(const QString& path) {
        const std::optional<ShownWindow> dialog = waitForWindow("Open");
        if (!dialog) return false;
        EXPECT_TRUE(withinScreen(*dialog));
        return typeInto(*dialog, path) && keys(*dialog, {"Return"}) &&
               waitForWindowGone(dialog->id);
    }

    bool toolboxBack(const QString& title) {
        const std::optional<ShownWindow> shown = waitForWindow(title);
        if (shown) toolbox = *shown;
        return shown.has_value();
    }

    ShownWindow toolbox;
    QPoint pictureOffset;
};

TEST_P(ToolboxJourney, OpensCropsDrawsUndoesPlacesAnOverlayResizesAndCloses) {
    const int scale = GetParam().scale;
    ASSERT_EQ(startDesktop(GetParam().screen), QString());
    const QString pictures = desktop->home() + "/pictures";
    QDir().mkpath(pictures);
    const QImage picture = coordinatePicture({200, 150});
    picture.save(pictures + "/coords.png");
    QImage overlay(80, 60, QImage::Format_RGB32);
    overlay.fill(kOverlay);
    overlay.save(pictures + "/overlay.png");
    ASSERT_EQ(startProgram(scale), QString());

    std::optional<ShownWindow> main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*main));
    const std::optional<QRect> preview = findUniformBox(
        screen(), main->geometry, QSize(showlist::kPreviewWidth, showlist::kPreviewHeight) * scale);
    ASSERT_TRUE(preview) << "no empty preview box in the main window";
    ASSERT_TRUE(doubleClick(preview->center()));
    ASSERT_TRUE(toolboxBack("  Image ToolBox"))
        << "a double click on the preview opened no toolbox; shown: "
        << shownTitles().join(" | ").toStdString();
    EXPECT_EQ(shownTitles(), QStringList{"  Image ToolBox"});
    EXPECT_TRUE(withinScreen(toolbox));

    // File > Open: the title names the file, every pixel of the image is one pixel of the
    // screen, and Image Information tells about it.
    ASSERT_TRUE(keys(toolbox, {"alt+f", "o"}));
    ASSERT_TRUE(chooseFile(pictures + "/coords.png"));
    ASSERT_TRUE(toolboxBack("  coords.png"))
        << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_EQ(shownTitles(), QStringList{"  coords.png"});
    EXPECT_TRUE(withinScreen(toolbox));
    std::optional<QPoint> origin;
    EXPECT_TRUE(waitForScreen([&](const QImage& shot) {
        return (origin = placeOf(shot, toolbox.geometry, picture)).has_value();
    })) << "the toolbox does not show the image one to one";
    ASSERT_TRUE(origin);
    pictureOffset = *origin - toolbox.geometry.topLeft();
    ASSERT_TRUE(keys(toolbox, {"alt+i", "n"}));
    const std::optional<ShownWindow> information = answer("Image Data", "Return");
    ASSERT_TRUE(information) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*information));

    // A double click arms the mouse; a drag selects; Crop > Selection keeps what the
    // rubber band showed. The points lie on whole logical pixels at either scale.
    ASSERT_TRUE(doubleClick(*origin + QPoint(100, 76)));
    const QPoint anchor(20, 30), corner(120, 100);
    ASSERT_TRUE(drag(*origin + anchor, {*origin + QPoint(60, 60), *origin + corner}));
    QRect band;
    EXPECT_TRUE(waitForScreen([&](const QImage& shot) {
        band = differingArea(shot, *origin, picture);
        return !band.isEmpty();
    })) << "no selection shown";
    EXPECT_EQ(band.topLeft(), anchor) << "the selection does not start where the drag did";
    EXPECT_TRUE(band.contains(corner)) << "the selection does not reach the pointer";
    ASSERT_TRUE(keys(toolbox, {"alt+a", "c", "s"}));
    // What the crop kept, read from the screen, is what the next steps start from: a
    // selection missed by a pixel is told once, not again at every later step.
    QRect kept;
    waitForScreen([&](const QImage& shot) {
        kept = QRect(band.topLeft(), partShown(shot, pictureOrigin(), picture, band.topLeft()));
        return kept == band;
    });
    EXPECT_EQ(kept, band) << "the picture kept is not the rectangle the selection showed";
    ASSERT_FALSE(kept.isEmpty()) << "the toolbox shows no part of the image";
    const QImage cropped = picture.copy(kept);
    EXPECT_TRUE(showsPicture(cropped));

    // Action > Draw with a pure green from the colour dialog: the stroke's pixels turn
    // green from the first point the pointer moved to, and Undo takes them back.
    ASSERT_TRUE(keys(toolbox, {"alt+a", "d"}));
    const std::optional<ShownWindow> colours = waitForWindow("Select Pencil Color");
    ASSERT_TRUE(colours) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*colours));
    ASSERT_TRUE(keys(*colours, {"alt+h", "ctrl+a"}) && typeInto(*colours, "#00ff00") &&
                keys(*colours, {"Return"}) && waitForWindowGone(colours->id));
    const int row = 40, first = 10 + scale, last = 80;
    ASSERT_TRUE(drag(pictureOrigin() + QPoint(10, row),
                     {pictureOrigin() + QPoint(first, row), pictureOrigin() + QPoint(last, row)}));
    QImage drawn = cropped;
    for (int x = first; x <= last; ++x) drawn.setPixel(x, row, kPencil);
    EXPECT_TRUE(showsPicture(drawn));
    // Undo, the Edit menu's first item, names the step it undoes in place of its mnemonic.
    ASSERT_TRUE(keys(toolbox, {"alt+e", "Return"}));
    EXPECT_TRUE(showsPicture(cropped)) << "Undo did not take the stroke back";

    // Overlay > Mix, Quarter Size, a file: a right click places the overlay, half its width
    // and height, with its top-left corner on the pixel clicked; No ends the placing.
    ASSERT_TRUE(keys(toolbox, {"alt+i", "o", "m"}));
    const std::optional<ShownWindow> mix = waitForWindow("Mix");
    ASSERT_TRUE(mix) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*mix));
    const std::vector<QPoint> options = optionMarks(screen(), mix->geometry, scale);
    ASSERT_EQ(options.size(), 6u) << "five sizes and the transparency box were not found";
    ASSERT_TRUE(click(options[4]));  // Quarter Size
    ASSERT_TRUE(chooseFile(pictures + "/overlay.png"));
    ASSERT_TRUE(toolboxBack("  coords.png"));
    const QPoint placed(10, 20);
    ASSERT_TRUE(click(pictureOrigin() + placed, 3));
    const std::optional<ShownWindow> another = answer("Another?", "n");
    ASSERT_TRUE(another) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*another));
    QImage mixed = cropped;
    QPainter(&mixed).fillRect(QRect(placed, overlay.size() / 2), QColor(kOverlay));
    EXPECT_TRUE(showsPicture(mixed));

    // The compositing windows closed from the window manager's title bar give the
    // toolbox back, as their Cancel does.
    struct Compositing {
        const char* title;
        QStringList menu;
    };
    for (const Compositing& window :
         {Compositing{"Mix", {"alt+i", "o", "m"}}, Compositing{"4 In 1", {"alt+i", "i"}}}) {
        SCOPED_TRACE(window.title);
        ASSERT_TRUE(keys(toolbox, window.menu));
        const std::optional<ShownWindow> shown = waitForWindow(window.title);
        ASSERT_TRUE(shown) << "shown: " << shownTitles().join(" | ").toStdString();
        EXPECT_TRUE(withinScreen(*shown));
        ASSERT_TRUE(closeWithTitleButton(*shown)) << "no close button on the title bar";
        EXPECT_TRUE(waitForWindowGone(shown->id));
        ASSERT_TRUE(toolboxBack("  coords.png"))
            << "the toolbox did not come back; shown: " << shownTitles().join(" | ").toStdString();
        EXPECT_EQ(shownTitles(), QStringList{"  coords.png"});
    }

    // Resize > Screen Size: as many pixels as the screen has, the overlay growing with the
    // rest - its edges within one source pixel of where the scaling puts them.
    ASSERT_TRUE(keys(toolbox, {"alt+i", "r", "s"}));
    const QSize device = desktop->screenSize();
    const double across = double(device.width()) / cropped.width();
    const int middleRow =
        int((placed.y() + overlay.height() / 4.0) * device.height() / cropped.height());
    std::vector<PixelRun> yellow;
    EXPECT_TRUE(waitForScreen([&](const QImage& s) {
        const QPoint at = pictureOrigin();
        yellow = runsAcross(s, at.y() + middleRow, at.x(), s.width() - 1, isOverlayYellow);
        if (!yellow.empty()) {
            yellow.front().start -= at.x();
            return std::abs(yellow.front().start - placed.x() * across) <= across;
        }
        return false;
    })) << "the picture does not have the screen's size";
    ASSERT_FALSE(yellow.empty());
    EXPECT_NEAR(yellow.front().end(), (placed.x() + overlay.width() / 2) * across, across);

    // Closing the toolbox asks about the changes; No brings the main window back.
    ASSERT_TRUE(closeWithTitleButton(toolbox)) << "no close button on the title bar";
    const std::optional<ShownWindow> changed = answer("ToolBox", "n");
    ASSERT_TRUE(changed) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*changed));
    main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_EQ(shownTitles(), QStringList{"Quorvane"});

    ASSERT_TRUE(keys(*main, {"alt+e"}));
    const std::optional<ShownWindow> unloading = answer("Unloading ...", "y");
    ASSERT_TRUE(unloading) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(withinScreen(*unloading));
    ASSERT_TRUE(program->waitForExit(kDeadlineMs)) << "the program did not end";
    EXPECT_EQ(program->exitCode(), 0);
    // Nothing was ever saved to the show list.
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())), QStringList());
    EXPECT_EQ(program->applied(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(, ToolboxJourney,
                         ::testing::Values(ToolboxRow{"OneToOne", 1, {1024, 768}},
                                           ToolboxRow{"ScaledByTwo", 2, {2048, 1536}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
