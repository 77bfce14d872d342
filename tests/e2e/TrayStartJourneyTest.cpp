#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QSet>
#include <csignal>

#include "e2e/DesktopJourney.h"
#include "support/StoreFixture.h"

// A program with a saved show list goes straight to the notification area at start-up, and
// a double click on its icon there - not a single click - brings the main window back.
namespace e2e {
namespace {

using testing_support::StoredRecord;

// The row: which record's path the store holds as the saved wallpaper, if any.
struct TrayStartRow {
    const char* name;
    std::optional<int> saved;
};

void PrintTo(const TrayStartRow& row, std::ostream* out) { *out << row.name; }

class TrayStartJourney : public DesktopJourney, public ::testing::WithParamInterface<TrayStartRow> {
protected:
    std::vector<StoredRecord> list = {
        {folder.filePath("harbour at dawn.bmp"), "Harbour at dawn", "5", {}},
        {folder.filePath("old mill.bmp"), "Old mill", "5", {}},
        {folder.filePath("snow field.bmp"), "Snow field", "5", {}}};

    // The program's windows on screen other than its icon: windows the window manager
    // frames, and also tooltips and other windows no window manager sees.
    int windowsShown() {
        int shown = 0;
        for (const XWindowId window : desktop->x().windowsOf(program->pid())) {
            const auto icon = trayIcon();
            const auto described = desktop->x().describe(window);
            if (described && described->viewable && (!icon || icon->id != window)) ++shown;
        }
        return shown;
    }

    // Whether the screen shows the area painted: text, frames and icons give many colours
    // where an unpainted window has one.
    static bool painted(const QImage& screen, const QRect& area) {
        QSet<QRgb> colours;
        const QRect inside = area & screen.rect();
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                colours.insert(screen.pixel(x, y));
        return colours.size() >= 16;
    }
};

TEST_P(TrayStartJourney, ASingleClickLeavesTheWindowHiddenADoubleClickOpensItAndReapplies) {
    ASSERT_EQ(startDesktop({1024, 768}), QString());
    if (GetParam().saved) list[0].setup = list[*GetParam().saved].path;
    testing_support::writeStore(program->storePath(), list);
    ASSERT_EQ(startProgram(), QString());
    // Opening the window re-applies the saved image, or the first; start-up alone would
    // record the one after it.
    const QString shown = *list[GetParam().saved.value_or(0)].path;

    const std::optional<EmbeddedWindow> icon = waitForTrayIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    // Start-up goes straight to the notification area and leaves the wallpaper alone.
    EXPECT_EQ(windowsShown(), 0);
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_EQ(program->applied(), QStringList());

    ASSERT_TRUE(click(icon->geometry.center()));
    EXPECT_EQ(shownTitles(), QStringList()) << "a single click opened a window";
    EXPECT_TRUE(trayIcon()) << "a single click took the icon out of the tray";
    EXPECT_EQ(program->applied(), QStringList());

    ASSERT_TRUE(doubleClick(icon->geometry.center()));
    const std::optional<ShownWindow> main = waitForWindow("Quorvane");
    ASSERT_TRUE(main) << "no main window opened; shown: "
                      << shownTitles().join(" | ").toStdString();
    EXPECT_EQ(shownTitles(), QStringList{"Quorvane"});
    // The icon stays out of the notification area while the window is open.
    EXPECT_TRUE(waitUntil([&] { return !trayIcon(); }));
    EXPECT_EQ(program->applied(), QStringList{shown});
    EXPECT_TRUE(waitForScreen([&](const QImage& s) { return painted(s, main->geometry); }))
        << "the window never painted";

    // Ends the program the way a logout does.
    ASSERT_EQ(::kill(pid_t(program->pid()), SIGTERM), 0);
    ASSERT_TRUE(program->waitForExit(kDeadlineMs));
    EXPECT_TRUE(program->endedNormally());
    EXPECT_EQ(program->exitCode(), 0);
    list[0].setup = shown;
    EXPECT_EQ(asText(testing_support::readStore(program->storePath())), asText(list));
}

INSTANTIATE_TEST_SUITE_P(, TrayStartJourney,
                         ::testing::Values(TrayStartRow{"NoneSaved", std::nullopt},
                                           TrayStartRow{"LastSaved", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
