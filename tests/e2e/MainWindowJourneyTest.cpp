#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <sstream>

#include "e2e/DesktopJourney.h"
#include "e2e/ScreenReading.h"
#include "showlist/PreviewFit.h"
#include "support/ImageFiles.h"
#include "support/StoreFixture.h"

// From an empty store to a show list: browse to a folder of images, preview one, save it
// twice, go to the notification area and come back, and leave the program with the
// wallpaper recorded - with the caption zooming between the window and its icon each way.
namespace e2e {
namespace {

using testing_support::StoredRecord;

constexpr int kCaptionHeight = 22;

// The part of a rectangle the zooming caption covers: its top, at most a caption high.
QRect captionOf(const QRect& rect) {
    return QRect(rect.topLeft(), QSize(rect.width(), std::min(rect.height(), kCaptionHeight)));
}

// The caption zoom as the root window saw it: every place of the one small override-redirect
// window of the program that moved while it was shown. Empty when there was no such window
// or more than one.
std::vector<QRect> captionZoom(const std::vector<TopLevelTrack>& windows, qint64 pid) {
    std::vector<QRect> path;
    int found = 0;
    for (const TopLevelTrack& window : windows) {
        const bool low = std::all_of(window.geometries.begin(), window.geometries.end(),
                                     [](const QRect& r) { return r.height() <= kCaptionHeight; });
        // A tooltip stays where it was put; the zoom moves.
        if (window.overrideRedirect && window.mapped && window.pid == pid && low &&
            window.geometries.size() >= 3) {
            path = window.geometries;
            ++found;
        }
    }
    return found == 1 ? path : std::vector<QRect>{};
}

std::string describePath(const std::vector<QRect>& path) {
    std::ostringstream out;
    for (const QRect& r : path) PrintTo(r, &out), out << ' ';
    return out.str();
}

// The browser on the left of the main window read along one column of pixels: the folder
// list above the file list, each a white box in which the selected row is a coloured band.
struct BrowserColumn {
    int x = 0;
    std::vector<PixelRun> lists;  // the boxes, top to bottom
    std::vector<PixelRun> selected;

    // The selected row of the n-th list, if it has one.
    std::optional<PixelRun> selectedIn(std::size_t list) const {
        if (list >= lists.size()) return std::nullopt;
        for (const PixelRun& row : selected)
            if (row.start >= lists[list].start && row.end() <= lists[list].end()) return row;
        return std::nullopt;
    }
};

BrowserColumn readBrowser(const QImage& screen, int x, const QRect& client, int scale) {
    BrowserColumn column{x, {}, {}};
    for (const PixelRun& run : runsDown(screen, x, client.top(), client.bottom(),
                                        [](QRgb c) { return isWhite(c) || isSaturated(c); }))
        if (run.length >= 30 * scale) column.lists.push_back(run);
    column.selected = runsDown(screen, x, client.top(), client.bottom(), isSaturated);
    return column;
}

// The preview shows the half-red, half-blue image when the left and right parts of the box
// show those colours (the middle may blend them).
bool previewShowsImage(const QImage& screen, const QRect& preview) {
    const int side = preview.width() * 2 / 5;
    for (int y = preview.top(); y <= preview.bottom(); ++y)
        for (int dx = 0; dx < side; ++dx)
            if (screen.pixel(preview.left() + dx, y) != testing_support::kLeftColour.rgb() ||
                screen.pixel(preview.right() - dx, y) != testing_support::kRightColour.rgb())
                return false;
    return true;
}

// How the journey opens the folder of images in the folder list.
enum class FolderOpening { TypedNameAndEnter, DoubleClick };

struct MainWindowRow {
    const char* name;
    FolderOpening opening;
};

void PrintTo(const MainWindowRow& row, std::ostream* out) { *out << row.name; }

class MainWindowJourney : public DesktopJourney,
                          public ::testing::WithParamInterface<MainWindowRow> {
protected:
    // Opens the only folder below the open one; `open` is the open folder's selected row.
    bool openFolderBelow(const ShownWindow& main, const BrowserColumn& column,
                         const PixelRun& open) {
        if (GetParam().opening == FolderOpening::DoubleClick)
            return doubleClick({column.x, open.end() + open.length / 2});
        // A click on the row already selected only gives the list the keyboard.
        return click({column.x, open.middle()}) && typeInto(main, "pictures") &&
               keys(main, {"Return"});
    }

    // Presses Save Image and says No to fitting the image to the display.
    bool saveImage(const ShownWindow& main) {
        return keys(main, {"alt+i"}) && answer("Image Backup", "n") && settle();
    }

    // Waits for the zoom to have run its course and returns its path.
    std::vector<QRect> finishedZoom() {
        waitUntil([&] {
            const auto& windows = desktop->x().topLevels();
            return std::any_of(windows.begin(), windows.end(), [&](const TopLevelTrack& w) {
                return w.pid == program->pid() && w.overrideRedirect && w.gone &&
                       w.geometries.size() >= 3;
            });
        });
        return captionZoom(desktop->x().topLevels(), program->pid());
    }
};

TEST_P(MainWindowJourney, BuildsAShowListGoesToTheTrayComesBackAndRecordsTheWallpaperOnExit) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    const QString pictures = desktop->home() + "/pictures";
    QDir().mkpath(pictures);
    testing_support::writeImage(pictures, "photo.png", 320, 240);
    ASSERT_EQ(startProgram(), QString());

    // An empty store: the main window opens at once, on the home folder.
    std::optional<ShownWindow> main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "shown: " << shownTitles().join(" | ").toStdString();
    EXPECT_EQ(shownTitles(), QStringList{"Quorvane"});
    EXPECT_TRUE(withinScreen(*main));
    QImage shot = screen();
    const std::optional<QRect> preview =
        findUniformBox(shot, main->geometry, {showlist::kPreviewWidth, showlist::kPreviewHeight});
    ASSERT_TRUE(preview) << "no empty preview box in the main window";
    BrowserColumn column = readBrowser(shot, preview->left() - 10, main->geometry, 1);
    ASSERT_GE(column.lists.size(), 2u) << "the folder and file lists were not found";
    const std::optional<PixelRun> home = column.selectedIn(0);
    ASSERT_TRUE(home) << "the folder list shows no open folder";

    ASSERT_TRUE(openFolderBelow(*main, column, *home));
    // The folder opened: its row, one below the home folder's, is the open one now.
    EXPECT_TRUE(waitForScreen([&](const QImage& s) {
        const auto open = readBrowser(s, column.x, main->geometry, 1).selectedIn(0);
        return open && open->start == home->end();
    })) << "the folder of images did not open";

    // A click on the file previews it.
    ASSERT_TRUE(click({column.x, column.lists[1].start + 5}));
    EXPECT_TRUE(
        waitForScreen([&](const QImage& s) { return previewShowsImage(s, *preview); }, &shot))
        << "the preview does not show the image";
    column = readBrowser(shot, column.x, main->geometry, 1);
    const std::optional<PixelRun> file = column.selectedIn(1);
    ASSERT_TRUE(file) << "the file list shows no selected file";

    ASSERT_TRUE(saveImage(*main)) << "Save Image did not ask \"Size to fit Display?\"";
    const QString backup = program->programFolder() + "/photo.BMP";
    // Not fitted to the display: the bitmap keeps the image's own size.
    const QImage written(backup);
    EXPECT_EQ(written.width(), 320);
    EXPECT_EQ(written.height(), 240);
    // Save Image used up the selection; a click on the file, still highlighted, makes it again.
    ASSERT_TRUE(click({column.x, file->middle()}));
    EXPECT_TRUE(saveImage(*main))
        << "the click on the highlighted file did not select it for Save Image again";

    // Save Setup: the window zooms into the notification area.
    const QRect window = desktop->x().describe(main->id)->frameGeometry;
    desktop->x().forgetTopLevels();
    ASSERT_TRUE(keys(*main, {"alt+s"}));
    EXPECT_TRUE(waitForWindowGone(main->id));
    const std::optional<EmbeddedWindow> icon = waitForTrayIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    EXPECT_EQ(shownTitles(), QStringList());
    const std::vector<QRect> toTray = finishedZoom();
    ASSERT_FALSE(toTray.empty()) << "no caption zoomed from the window to the tray";
    EXPECT_EQ(toTray.front(), captionOf(window)) << describePath(toTray);
    EXPECT_EQ(toTray.back(), captionOf(icon->geometry)) << describePath(toTray);
    const StoredRecord saved{backup, "photo", "15", {}};
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())), asText({saved, saved}));
    const QStringList appliedBefore = program->applied();

    // A single click on the icon does nothing; a double click brings the window back, the
    // caption zooming out of the tray, and shows the wallpaper of the list again.
    ASSERT_TRUE(click(icon->geometry.center()));
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_EQ(program->applied(), appliedBefore);
    desktop->x().forgetTopLevels();
    ASSERT_TRUE(doubleClick(icon->geometry.center()));
    main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "the double click did not bring the main window back";
    EXPECT_TRUE(waitUntil([&] { return !trayIcon(); })) << "the icon stayed in the tray";
    const std::vector<QRect> fromTray = finishedZoom();
    ASSERT_FALSE(fromTray.empty()) << "no caption zoomed from the tray to the window";
    EXPECT_EQ(fromTray.front(), captionOf(icon->geometry)) << describePath(fromTray);
    EXPECT_EQ(fromTray.back(), captionOf(main->frameGeometry)) << describePath(fromTray);
    EXPECT_EQ(program->applied(), appliedBefore + QStringList{backup});

    // Exit, confirmed: the program ends and records the wallpaper it was showing.
    ASSERT_TRUE(keys(*main, {"alt+e"}));
    ASSERT_TRUE(answer("Unloading ...", "y"))
        << "shown: " << shownTitles().join(" | ").toStdString();
    ASSERT_TRUE(program->waitForExit(kDeadlineMs)) << "the program did not end";
    EXPECT_TRUE(program->endedNormally());
    EXPECT_EQ(program->exitCode(), 0);
    ASSERT_FALSE(program->applied().isEmpty());
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())),
              asText({{backup, "photo", "15", program->applied().last()}, saved}));
}

INSTANTIATE_TEST_SUITE_P(, MainWindowJourney,
                         ::testing::Values(MainWindowRow{"FolderOpenedByTypingItsName",
                                                         FolderOpening::TypedNameAndEnter},
                                           MainWindowRow{"FolderOpenedByDoubleClick",
                                                         FolderOpening::DoubleClick}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
