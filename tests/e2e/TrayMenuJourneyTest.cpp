#include <gtest/gtest.h>
#include <QImage>

#include "e2e/DesktopJourney.h"
#include "e2e/ScreenReading.h"
#include "support/StoreFixture.h"

// The icon's menu on a real notification area: a right click opens it, and its items step,
// pause and resume the rotation, open the window and end the program.
namespace e2e {
namespace {

using testing_support::StoredRecord;

// Short enough that a rotation left running changes the wallpaper several times while a menu
// is opened and an item picked.
constexpr int kTickMs = 150;

// Rows of the menu that carry text, top to bottom: the items, without the separators.
std::vector<PixelRun> itemRows(const QImage& screen, const QRect& menu) {
    // Inside the frame, and clear of the left edge, where the check box of a checkable item
    // could join rows.
    const QRect inside = menu.adjusted(24, 3, -3, -3) & screen.rect();
    std::vector<PixelRun> rows;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        bool ink = false;
        for (int x = inside.left(); x <= inside.right() && !ink; ++x)
            ink = qGray(screen.pixel(x, y)) < 140;
        if (!ink) continue;
        // Rows of one line of text, whatever gaps its letters leave.
        if (!rows.empty() && y - rows.back().end() <= 3)
            rows.back().length = y - rows.back().start + 1;
        else
            rows.push_back({y, 1});
    }
    return rows;
}

class TrayMenuJourney : public DesktopJourney {
protected:
    std::vector<StoredRecord> list = {{folder.filePath("harbour.bmp"), "Harbour", "1", {}},
                                      {folder.filePath("mill.bmp"), "Mill", "1", {}},
                                      {folder.filePath("snow.bmp"), "Snow", "1", {}}};

    // The entry the rotation shows after `path`.
    QString after(const QString& path) const {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (*list[i].path == path) return *list[(i + 1) % list.size()].path;
        return {};
    }
    // Whether the wallpapers applied so far follow the list's order.
    ::testing::AssertionResult inListOrder(const QStringList& applied) const {
        for (qsizetype i = 1; i < applied.size(); ++i)
            if (applied[i] != after(applied[i - 1]))
                return ::testing::AssertionFailure()
                       << applied[i].toStdString() << " followed " << applied[i - 1].toStdString();
        return ::testing::AssertionSuccess();
    }

    // A popup of the program on screen other than its icon and its tips.
    std::optional<ShownWindow> popup() {
        const auto icon = trayIcon();
        for (const XWindowId window : desktop->x().windowsOf(program->pid())) {
            const auto shown = desktop->x().describe(window);
            if (shown && shown->viewable && (!icon || icon->id != window) &&
                shown->geometry.height() >= 80)
                return shown;
        }
        return std::nullopt;
    }

    struct OpenMenu {
        ShownWindow window;
        std::vector<PixelRun> items;
        QPoint itemCentre(std::size_t index) const {
            return {window.geometry.center().x(), items.at(index).middle()};
        }
    };

    // Right-clicks the icon and waits until the menu it opens shows its five items.
    std::optional<OpenMenu> openMenu() {
        const std::optional<EmbeddedWindow> icon = waitForTrayIcon();
        if (!icon || !click(icon->geometry.center(), 3)) return std::nullopt;
        std::optional<ShownWindow> menu;
        if (!waitUntil([&] { return (menu = popup()).has_value(); }) || !settle())
            return std::nullopt;
        std::vector<PixelRun> items;
        if (!waitForScreen([&](const QImage& s) {
                items = itemRows(s, menu->geometry);
                return items.size() == 5;
            }))
            return std::nullopt;
        return OpenMenu{*menu, items};
    }

    // Opens the menu and clicks its item; true once the menu has gone and the program has
    // handled the click.
    bool pick(std::size_t item) {
        const std::optional<OpenMenu> menu = openMenu();
        return menu && click(menu->itemCentre(item)) && waitForWindowGone(menu->window.id);
    }

    enum Item : std::size_t { Next, PauseOrResume, Open, StartAtLogIn, Exit };
};

TEST_F(TrayMenuJourney, RightClickMenuStepsPausesResumesOpensAndExits) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    testing_support::writeStore(program->storePath(), list);
    program->setTickMs(kTickMs);
    ASSERT_EQ(startProgram(), QString());

    // The rotation runs by itself: start-up waits two ticks, then each entry stays two.
    ASSERT_TRUE(waitUntil([&] { return program->applied().size() >= 2; }))
        << "the rotation never started";

    // A right click opens the menu, and nothing else: no window, no re-applied wallpaper.
    const std::optional<OpenMenu> menu = openMenu();
    ASSERT_TRUE(menu) << "no menu with five items opened on the right click";
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_TRUE(inListOrder(program->applied()));
    // Its items are laid out in order, one below the other, inside the menu.
    for (std::size_t i = 1; i < menu->items.size(); ++i)
        EXPECT_GT(menu->items[i].start, menu->items[i - 1].end());
    ASSERT_TRUE(click(menu->itemCentre(PauseOrResume)));
    ASSERT_TRUE(waitForWindowGone(menu->window.id));

    // Paused: the menu is opened and an item picked, many ticks' worth of time, and the only
    // change is the one Next asks for.
    const QStringList paused = program->applied();
    ASSERT_TRUE(pick(Next));
    const QStringList stepped = program->applied();
    ASSERT_EQ(stepped.size(), paused.size() + 1) << stepped.join(", ").toStdString();
    EXPECT_EQ(stepped.last(), after(paused.last()));
    ASSERT_TRUE(pick(Next));
    EXPECT_EQ(program->applied(), stepped + QStringList{after(stepped.last())});
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())), asText(list))
        << "Next wrote to the store";

    // Resumed: the rotation goes on from there by itself.
    const QStringList beforeResume = program->applied();
    ASSERT_TRUE(pick(PauseOrResume));
    EXPECT_TRUE(waitUntil([&] { return program->applied().size() >= beforeResume.size() + 3; }))
        << "the rotation did not go on after Resume";
    EXPECT_TRUE(inListOrder(program->applied()));

    // Paused again, the window opened from the menu as a double click on the icon opens it:
    // it re-applies the first entry (no wallpaper was recorded before this run).
    ASSERT_TRUE(pick(PauseOrResume));
    const QStringList beforeOpen = program->applied();
    ASSERT_TRUE(pick(Open));
    const std::optional<ShownWindow> main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "no main window opened; shown: "
                      << shownTitles().join(" | ").toStdString();
    EXPECT_TRUE(waitUntil([&] { return !trayIcon(); })) << "the icon stayed in the tray";
    EXPECT_EQ(program->applied(), beforeOpen + QStringList{*list[0].path});

    // Back to the tray with Save Setup: the pause holds until the user lifts it.
    ASSERT_TRUE(keys(*main, {"alt+s"}));
    ASSERT_TRUE(waitForWindowGone(main->id));
    const std::optional<OpenMenu> last = openMenu();
    ASSERT_TRUE(last);
    EXPECT_EQ(program->applied(), beforeOpen + QStringList{*list[0].path});

    // Exit from the menu, confirmed with a key: the wallpaper showing is recorded.
    ASSERT_TRUE(click(last->itemCentre(Exit)));
    ASSERT_TRUE(answer("Unloading ...", "y"))
        << "shown: " << shownTitles().join(" | ").toStdString();
    ASSERT_TRUE(program->waitForExit(kDeadlineMs)) << "the program did not end";
    EXPECT_TRUE(program->endedNormally());
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_EQ(program->applied(), beforeOpen + QStringList{*list[0].path});
    std::vector<StoredRecord> recorded = list;
    recorded[0].setup = *list[0].path;
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())), asText(recorded));
}

}  // namespace
}  // namespace e2e
