#include "e2e/Journey.h"
#include "support/ImageFiles.h"

// From an empty store to a show list: two images chosen through the real file dialog and
// saved, the window to the notification area and back, and Exit - refused once, then
// confirmed, with the wallpaper recorded.
namespace e2e {
namespace {

using testing_support::StoredRecord;

// The preview shows a half-red, half-blue picture of the box's proportions.
bool showsPicture(const QImage& screen, const QRect& preview) {
    for (int y = preview.top(); y <= preview.bottom(); ++y)
        for (int dx = 0; dx < preview.width() * 2 / 5; ++dx)
            if (screen.pixel(preview.left() + dx, y) != testing_support::kLeftColour.rgb() ||
                screen.pixel(preview.right() - dx, y) != testing_support::kRightColour.rgb())
                return false;
    return true;
}

using MainWindowJourney = Journey;

TEST_F(MainWindowJourney, BuildsAShowListGoesToTheTrayComesBackAndRecordsTheWallpaperOnExit) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    const QString pictures = folder.filePath("home/pictures");
    QDir().mkpath(pictures);
    ASSERT_EQ(startProgram(), QString());

    // An empty store: the main window opens at once.
    std::optional<Shown> main = window("Quorvane");
    ASSERT_TRUE(main) << "shown: " << titles().join(" | ").toStdString();
    EXPECT_EQ(titles(), QStringList{"Quorvane"});
    const std::optional<QRect> preview = previewBox(screen(), main->geometry);
    ASSERT_TRUE(preview) << "no empty preview box in the main window";

    // New Image, then Save Image: a bitmap is copied, anything else (here the photo formats
    // of phones and the web) converted after the question whether to fit it to the display.
    for (const char* name : {"harbour.bmp", "photo.avif", "snow.jxl"}) {
        SCOPED_TRACE(name);
        const QString path = testing_support::writeImage(pictures, name, 320, 240);
        ASSERT_TRUE(keys(*main, {"alt+n"}));
        const std::optional<Shown> dialog = window("Select Image");
        ASSERT_TRUE(dialog) << "shown: " << titles().join(" | ").toStdString();
        ASSERT_TRUE(typeInto(*dialog, path) && keys(*dialog, {"Return"}) &&
                    waitForGone(dialog->id));
        EXPECT_TRUE(waitForScreen([&](const QImage& s) { return showsPicture(s, *preview); }))
            << "the preview does not show the image";
        ASSERT_TRUE(keys(*main, {"alt+i"}));
        if (!QString(name).endsWith(".bmp")) {
            ASSERT_TRUE(answer("Image Backup", "n"));
        }
        ASSERT_TRUE(settle());
    }
    const StoredRecord harbour{home + "/harbour.bmp", "harbour", "15", {}};
    const StoredRecord photo{home + "/photo.BMP", "photo", "15", {}};
    const StoredRecord snow{home + "/snow.BMP", "snow", "15", {}};
    EXPECT_EQ(QImage(*photo.path), QImage(*harbour.path)) << "not the picture, or fitted on No";
    EXPECT_EQ(QImage(*snow.path), QImage(*harbour.path));

    // Save Setup: the window goes, the icon comes, the store holds the list.
    ASSERT_TRUE(keys(*main, {"alt+s"}));
    EXPECT_TRUE(waitForGone(main->id));
    const std::optional<QRect> icon = placedTrayIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    EXPECT_EQ(titles(), QStringList());
    EXPECT_EQ(stored(), std::vector({harbour, photo, snow}));

    // A single click on the icon does nothing; a double click brings the window back and
    // shows the first wallpaper of the list (none was recorded yet).
    ASSERT_TRUE(click(icon->center()));
    EXPECT_EQ(titles(), QStringList());
    EXPECT_EQ(program->applied(), QStringList());
    ASSERT_TRUE(click(icon->center(), 1, 2));
    main = window("Quorvane");
    ASSERT_TRUE(main) << "the double click did not bring the main window back";
    EXPECT_TRUE(waitFor([&] { return !trayIcon(); })) << "the icon stayed in the tray";
    EXPECT_EQ(program->applied(), QStringList{*harbour.path});

    // Exit answered No changes nothing; Yes ends the program and records the wallpaper.
    ASSERT_TRUE(keys(*main, {"alt+e"}));
    ASSERT_TRUE(answer("Unloading ...", "n")) << "shown: " << titles().join(" | ").toStdString();
    ASSERT_TRUE(settle()) << "the program ended on No";
    EXPECT_EQ(titles(), QStringList{"Quorvane"});
    EXPECT_EQ(stored(), std::vector({harbour, photo, snow}));
    ASSERT_TRUE(keys(*main, {"alt+e"}));
    ASSERT_TRUE(answer("Unloading ...", "y"));
    ASSERT_TRUE(program->process.waitForFinished(kDeadlineMs)) << "the program did not end";
    EXPECT_EQ(program->process.exitCode(), 0);
    EXPECT_EQ(stored(), std::vector<StoredRecord>(
                            {{*harbour.path, "harbour", "15", *harbour.path}, photo, snow}));
}

}  // namespace
}  // namespace e2e
