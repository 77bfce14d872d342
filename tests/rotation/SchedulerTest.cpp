#include "rotation/Scheduler.h"
#include "showlist/RecordSet.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

class Rotation : public ::testing::Test {
protected:
    // Blank-separated entries "NAME=display time" of paths /w/NAME (a NAME of two characters is
    // the whole path); without '=' the display time is null.
    void load(const QString& entries) {
        std::vector<testing_support::StoredRecord> records;
        for (const QString& entry : entries.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = entry.section(u'=', 0, 0);
            const QString path = name.size() == 2 ? name : "/w/" + name;
            records.push_back(
                {path, path, entry.contains(u'=') ? entry.section(u'=', 1) : showlist::FieldValue(),
                 std::nullopt});
        }
        testing_support::writeStore(folder.filePath("ZARN.DAT"), records);
        store.open(folder.filePath("ZARN.DAT"));
    }

    // Runs n ticks and returns the NAME each applied, "-" for a tick that changed nothing.
    QString ticks(int n) {
        QStringList result;
        for (int i = 0; i < n; ++i) {
            const qsizetype before = setter.applied.size();
            scheduler.Timer1_Timer();
            result << (setter.applied.size() > before ? setter.applied.last().mid(3) : "-");
        }
        return result.join(u' ');
    }

    testing_support::TempFolder folder;
    showlist::RecordSet store;
    testing_support::RecordingWallpaperSetter setter;
    bool windowVisible = false;
    rotation::Scheduler scheduler{store, setter, [this] { return windowVisible; },
                                  rotation::kDefaultTickMs};
};

struct Walk {
    std::string name;
    QString entries;
    QString applied;
    QString oldWallPaper;
    int longest;
    int movesBefore = 0;  // MoveNext calls on the store before the first tick
    bool open = true;
};

void PrintTo(const Walk& walk, std::ostream* out) { *out << walk.name; }

class RotationWalk : public Rotation, public ::testing::WithParamInterface<Walk> {};

TEST_P(RotationWalk, AppliesExactlyTheseWallpapersTickByTick) {
    const Walk& walk = GetParam();
    if (walk.open) load(walk.entries);
    for (int i = 0; i < walk.movesBefore; ++i) store.MoveNext();
    EXPECT_EQ(ticks(int(walk.applied.count(u' ')) + 1), walk.applied);
    EXPECT_EQ(scheduler.OldWallPaper, walk.oldWallPaper.isEmpty() ? "" : "/w/" + walk.oldWallPaper);
    EXPECT_EQ(scheduler.Longest, walk.longest);
    // Only a store with records keeps the rotation going.
    EXPECT_EQ(scheduler.Timer1.isActive(), !walk.entries.isEmpty());
}

// Each image stays its display time plus one ticks, in store order; paths of two characters or
// fewer take their turn without a change; display times that are zero, negative, unreadable,
// blank, out of range or null give a single tick.
std::vector<Walk> walks() {
    std::vector<Walk> all = {
        {"InStoreOrder", "A=2 B=2 C=2", "B - - C - - A", "A", 2},
        {"SingleRecordReapplied", "only=2", "only - - only - - only", "only", 2},
        {"Empty", "", "- - -", "", 0},
        {"ClosedLikeEmpty", "", "- -", "", 0, 0, false},
        {"CursorPastTheEndWraps", "A=2 B=2", "A", "A", 2, 2},
        {"ShortPath", "A=1 ab=1 C=1", "- - C - A -", "A", 0}};
    for (const char* odd : {"odd=0", "odd=-5", "odd=abc", "odd=", "odd=40000", "odd"})
        all.push_back({"OneTick" + std::to_string(all.size()),
                       QStringLiteral("A=1 %1 C=1").arg(odd), "odd C -", "C", 0});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Stores, RotationWalk, ::testing::ValuesIn(walks()),
                         [](const auto& info) { return info.param.name; });

// A tick with the window showing, a pause, a store held by another program and a failing
// desktop, one after the other as a session meets them.
TEST_F(Rotation, GoesOnThroughWhatASessionMeets) {
    load("A=1 B=1 C=0");
    // The window showing: the tick stops the timer and changes nothing, until LongTime from the
    // window's callers arms it again.
    windowVisible = true;
    EXPECT_EQ(ticks(1), "-");
    EXPECT_FALSE(scheduler.Timer1.isActive());
    EXPECT_EQ(store.Fields(QStringLiteral("Path")), QStringLiteral("/w/A"));
    windowVisible = false;
    scheduler.LongTime();
    EXPECT_TRUE(scheduler.Timer1.isActive());
    EXPECT_EQ(ticks(1), "-");
    // A pause holds the image and its ticks; "Next" still changes the image but restarts nothing.
    scheduler.pause();
    EXPECT_TRUE(scheduler.isPaused());
    EXPECT_FALSE(scheduler.Timer1.isActive());
    scheduler.stepNow();
    EXPECT_EQ(setter.applied, QStringList({"/w/B", "/w/C"}));
    EXPECT_FALSE(scheduler.Timer1.isActive()) << "the step re-armed a paused rotation";
    scheduler.resume();
    EXPECT_TRUE(scheduler.Timer1.isActive());
    EXPECT_EQ(ticks(3), "A - B");
    // A store held by another program is asked again at the next tick.
    testing_support::StoreLock backup(store.databasePath());
    EXPECT_EQ(ticks(3), "- - -");
    EXPECT_TRUE(scheduler.Timer1.isActive()) << "a locked store must not end the rotation";
    backup.release();
    EXPECT_EQ(ticks(3), "- C A");
    // A failing desktop is reported once per run of failures; the walk goes on as ever.
    QStringList told;
    QObject::connect(&scheduler, &rotation::Scheduler::wallpaperFailing,
                     [&](const QString& reason) { told << "failing: " + reason; });
    QObject::connect(&scheduler, &rotation::Scheduler::wallpaperWorksAgain,
                     [&] { told << "works again"; });
    setter.problem = "swaymsg could not be started: is it installed?";
    EXPECT_EQ(ticks(4), "- B - C");
    setter.problem.clear();
    EXPECT_EQ(ticks(1), "A");
    setter.problem = "gsettings did not answer in time.";
    EXPECT_EQ(ticks(2), "- B");
    EXPECT_EQ(told, QStringList({"failing: swaymsg could not be started: is it installed?",
                                 "works again", "failing: gsettings did not answer in time."}));
    EXPECT_EQ(scheduler.OldWallPaper, "/w/B");
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

}  // namespace
