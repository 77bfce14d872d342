#include "e2e/Journey.h"

// A program with a saved show list lives in the notification area: it starts there, and its
// icon's menu steps, pauses and resumes the rotation, opens the window and ends the program.
namespace e2e {
namespace {

using testing_support::StoredRecord;

// Short enough that a rotation left running changes the wallpaper many times over a step.
constexpr int kTickMs = 150;

class TrayJourney : public Journey {
protected:
    std::vector<StoredRecord> list = {{home + "/harbour.bmp", "Harbour", "1", {}},
                                      {home + "/mill.bmp", "Mill", "1", {}},
                                      {home + "/snow.bmp", "Snow", "1", {}}};

    QString after(const QString& path) const {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (*list[i].path == path) return *list[(i + 1) % list.size()].path;
        return {};
    }
    ::testing::AssertionResult inListOrder(const QStringList& applied) const {
        for (qsizetype i = 1; i < applied.size(); ++i)
            if (applied[i] != after(applied[i - 1]))
                return ::testing::AssertionFailure()
                       << applied[i].toStdString() << " followed " << applied[i - 1].toStdString();
        return ::testing::AssertionSuccess();
    }
    int picks = 0;

    // Whether the wallpapers stay as they are for many ticks.
    bool unchangedAWhile() {
        const qsizetype now = program->applied().size();
        return !waitFor([&] { return program->applied().size() != now; }, 8 * kTickMs);
    }

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

TEST_F(TrayJourney, TheIconsMenuStepsPausesResumesOpensAndExits) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    testing_support::writeStore(home + "/ZARN.DAT", list);
    ASSERT_EQ(startProgram(kTickMs), QString());
    ASSERT_TRUE(waitFor([&] { return program->applied().size() >= 2; }))
        << "the rotation never started";

    // Paused: the only changes are the ones Next asks for, and the store stays as it was.
    ASSERT_TRUE(pick("p"));
    const QStringList paused = program->applied();
    EXPECT_TRUE(inListOrder(paused));
    EXPECT_TRUE(unchangedAWhile()) << "Pause did not stop the rotation";
    ASSERT_TRUE(pick("n"));
    ASSERT_TRUE(pick("n"));
    const QStringList stepped = program->applied();
    EXPECT_EQ(stepped, paused + QStringList({after(paused.last()), after(after(paused.last()))}));
    EXPECT_TRUE(unchangedAWhile()) << "Next set the paused rotation going";
    EXPECT_EQ(stored(), list) << "Next wrote to the store";

    // Start at Log-in writes the entry that starts this program on this folder, and removes it.
    const QString entry = session.folder("config/autostart/quorvane.desktop");
    ASSERT_TRUE(pick("l"));
    EXPECT_TRUE(testing_support::fileBytes(entry).contains(" --home " + home.toUtf8() + '\n'))
        << testing_support::fileBytes(entry).toStdString();
    ASSERT_TRUE(pick("l"));
    EXPECT_FALSE(QFile::exists(entry));

    // Resumed: the rotation goes on from there by itself.
    ASSERT_TRUE(pick("r"));
    EXPECT_TRUE(waitFor([&] { return program->applied().size() >= stepped.size() + 3; }))
        << "the rotation did not go on after Resume";
    EXPECT_TRUE(inListOrder(program->applied()));

    // Paused again and opened: the window re-applies the first entry (none was recorded), and
    // going back to the tray with Save Setup keeps the pause.
    ASSERT_TRUE(pick("p"));
    const QStringList beforeOpen = program->applied();
    ASSERT_TRUE(pick("o"));
    const std::optional<Shown> main = window("Quorvane");
    ASSERT_TRUE(main) << "no main window opened; shown: " << titles().join(" | ").toStdString();
    EXPECT_TRUE(waitFor([&] { return !trayIcon(); })) << "the icon stayed in the tray";
    const QStringList opened = beforeOpen + QStringList{*list[0].path};
    EXPECT_EQ(program->applied(), opened);
    ASSERT_TRUE(keys(*main, {"alt+s"}));
    ASSERT_TRUE(waitForGone(main->id));
    EXPECT_TRUE(unchangedAWhile()) << "Save Setup lifted the pause";

    // Exit from the menu, confirmed: the wallpaper showing is recorded.
    ASSERT_TRUE(pick("x"));
    ASSERT_TRUE(answer("Unloading ...", "y")) << "shown: " << titles().join(" | ").toStdString();
    ASSERT_TRUE(program->process.waitForFinished(kDeadlineMs)) << "the program did not end";
    EXPECT_EQ(program->process.exitCode(), 0);
    EXPECT_EQ(program->applied(), opened);
    list[0].setup = list[0].path;
    EXPECT_EQ(stored(), list);
}

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
}

}  // namespace
}  // namespace e2e
