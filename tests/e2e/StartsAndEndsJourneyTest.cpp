#include "e2e/Journey.h"
#include "support/ImageFiles.h"

// Fifty starts and ends in a row on one program folder, each ended as a logout ends it
// (SIGTERM) at another moment: while it starts, with its window shown, with the toolbox open
// after its Mix window was opened and closed by the window manager, with the Mix window
// still open, with a file dialog open. Every copy ends by itself with status 0, and the next
// starts at once.
namespace e2e {
namespace {

using StartsAndEnds = Journey;

TEST_F(StartsAndEnds, FiftyInARowOnOneFolderEachEndByThemselves) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    const QString pictures = folder.filePath("home/pictures");
    QDir().mkpath(pictures);
    const QString photo = testing_support::writeImage(pictures, "photo.png", 320, 240);
    for (int start = 0; start < 50; ++start) {
        SCOPED_TRACE(testing::Message() << "start " << start);
        ASSERT_EQ(startProgram(), QString());
        const int moment = start % 5;
        if (moment == 0) QThread::msleep(unsigned(start) * 8);  // 0 to 360 ms into the start
        std::optional<Shown> main = moment == 0 ? std::nullopt : window("Quorvane");
        ASSERT_TRUE(moment == 0 || main)
            << titles().join(" | ").toStdString() << "; " << program->state().toStdString();
        if (moment == 4) {
            ASSERT_TRUE(keys(*main, {"alt+n"}) && window("Select Image"));
        } else if (moment == 2 || moment == 3) {
            const std::optional<QRect> preview = previewBox(screen(), main->geometry);
            ASSERT_TRUE(preview && click(preview->center(), 1, 2));
            std::optional<Shown> toolbox = window("  Image ToolBox");
            ASSERT_TRUE(toolbox && keys(*toolbox, {"alt+f", "o"}));
            const std::optional<Shown> open = window("Open");
            ASSERT_TRUE(open && typeInto(*open, photo) && keys(*open, {"Return"}));
            toolbox = window("  photo.png");
            ASSERT_TRUE(toolbox && keys(*toolbox, {"alt+i", "o", "m"}));
            const std::optional<Shown> mix = window("Mix");
            ASSERT_TRUE(mix && (moment == 3 || (keys(*mix, {"alt+F4"}) && waitForGone(mix->id))));
        }
        ASSERT_TRUE(moment == 0 || settle());
        ASSERT_TRUE(program->terminate(moment == 0));
    }
}

}  // namespace
}  // namespace e2e
