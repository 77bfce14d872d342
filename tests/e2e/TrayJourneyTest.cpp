#include "e2e/Journey.h"

// A program with a saved show list lives in the notification area, an XEmbed one here (the
// Wayland journey goes through every item of the icon's menu on a StatusNotifierItem host):
// the menu opened by a right click chooses how the monitors share the pictures.
namespace e2e {
namespace {

using testing_support::StoredRecord;

class TrayJourney : public Journey {
protected:
    std::vector<StoredRecord> list = {{home + "/harbour.bmp", "Harbour", "1", {}},
                                      {home + "/mill.bmp", "Mill", "1", {}},
                                      {home + "/snow.bmp", "Snow", "1", {}}};
    int picks = 0;

    // Right-clicks the icon, waits for its menu and picks an item by its underlined letter
    // (Qt's menus take the keyboard while they are open).
    bool pick(const char* letter, const char* inSubmenu = nullptr) {
        const std::optional<QRect> icon = placedTrayIcon();
        std::optional<Shown> menu;
        const auto opened = [&] {
            for (const Shown& w : everyWindow())
                if (w.geometry.height() >= 80) menu = w;
            return menu.has_value();
        };
        // Each click a little way from the last, lest two quick ones make a double click.
        const QPoint at =
            icon ? icon->center() + QPoint((++picks % 2 ? 1 : -1) * icon->width() / 4, 0)
                 : QPoint();
        return icon && click(at, 3) && waitFor(opened) && settle() && key(letter) &&
               (!inSubmenu || (settle() && key(inSubmenu))) && waitForGone(menu->id) && settle();
    }
};

// Two monitors of different size: "A Different Picture on Each" chosen in the icon's menu gives
// each step to the next monitor; a restart shows the same pictures and goes on with the
// monitor after the last one. The command is handed one image of both monitors.
TEST_F(TrayJourney, ADifferentPictureOnEachMonitorGoesOnAfterARestart) {
    ASSERT_EQ(startDesktop({1664, 768}, {"1024x768", "640x480"}), QString());
    list.push_back({home + "/dune.bmp", "Dune", "1", {}});
    const QRgb colours[] = {qRgb(200, 40, 40), qRgb(40, 200, 40), qRgb(40, 40, 200),
                            qRgb(200, 200, 40)};
    for (std::size_t i = 0; i < list.size(); ++i) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colours[i]);
        ASSERT_TRUE(picture.save(*list[i].path, "BMP"));
    }
    testing_support::writeStore(home + "/ZARN.DAT", list);
    const auto monitorsShow = [&](int left, int right) {
        return waitFor([&] {
            const QImage shown(program->applied().value(program->applied().size() - 1));
            return shown.size() == QSize(1664, 768) && shown.pixel(512, 384) == colours[left] &&
                   shown.pixel(1344, 240) == colours[right] &&
                   shown.pixel(1344, 600) == qRgb(0, 0, 0);
        });
    };
    const auto choice = [&] {
        QProcess status;
        status.start(QUORVANE_EXECUTABLE, {"--home", home, "--monitors", "status"});
        status.waitForFinished(kDeadlineMs);
        return status.readAllStandardOutput();
    };

    // Started after the first entry, the rotation's first step is the third.
    ASSERT_EQ(startProgram(), QString());
    ASSERT_TRUE(pick("m", "d"));
    EXPECT_EQ(choice(), "each\n");
    EXPECT_TRUE(monitorsShow(0, 0));
    for (const auto& [left, right] : {std::pair(2, 2), {2, 3}, {0, 3}}) {
        ASSERT_TRUE(pick("n"));
        EXPECT_TRUE(monitorsShow(left, right)) << left << right;
    }
    ASSERT_TRUE(program->terminate());

    ASSERT_EQ(startProgram(), QString());
    EXPECT_TRUE(monitorsShow(0, 3));
    ASSERT_TRUE(pick("n"));
    EXPECT_TRUE(monitorsShow(0, 2));
    ASSERT_TRUE(pick("m", "s"));
    EXPECT_EQ(choice(), "same\n");
    EXPECT_EQ(program->applied().last(), *list[2].path);
    EXPECT_EQ(QDir(home + "/monitors").entryList(QDir::Files), QStringList());

    // A single click on the icon does nothing; a double click brings the window back.
    const std::optional<QRect> icon = placedTrayIcon();
    ASSERT_TRUE(icon && click(icon->center()) && settle());
    EXPECT_EQ(titles(), QStringList());
    ASSERT_TRUE(click(icon->center(), 1, 2) && window("Quorvane"));
    EXPECT_TRUE(waitFor([&] { return !trayIcon(); })) << "the icon stayed in the tray";
}

}  // namespace
}  // namespace e2e
