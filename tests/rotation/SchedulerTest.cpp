#include <gtest/gtest.h>

#include "rotation/Scheduler.h"
#include "showlist/RecordSet.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

class Rotation : public ::testing::Test {
protected:
    // Each entry is "path=display time"; without '=' the display time is null.
    void load(const QStringList& entries) {
        std::vector<testing_support::StoredRecord> records;
        for (const QString& entry : entries) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            const QString path = entry.left(equals < 0 ? entry.size() : equals);
            records.push_back({path, path,
                               equals < 0 ? showlist::FieldValue() : entry.mid(equals + 1),
                               std::nullopt});
        }
        const QString path = folder.filePath(QStringLiteral("ZARN.DAT"));
        testing_support::writeStore(path, records);
        store.open(path);
    }

    // Runs n ticks and returns what each applied ("" for a tick that changed nothing).
    QStringList ticks(int n) {
        QStringList result;
        for (int i = 0; i < n; ++i) {
            const qsizetype before = setter.applied.size();
            scheduler.Timer1_Timer();
            result << (setter.applied.size() > before ? setter.applied.last() : QString());
        }
        return result;
    }

    testing_support::TempFolder folder;
    showlist::RecordSet store;
    testing_support::RecordingWallpaperSetter setter;
    bool windowVisible = false;
    rotation::Scheduler scheduler{store, setter, [this] { return windowVisible; },
                                  rotation::kDefaultTickMs};
};

struct Walk {
    const char* name;
    QStringList entries;
    int movesBefore;  // MoveNext calls on the store before the first tick
    QStringList applied;
    QString oldWallPaper;
    int longest;
    bool open = true;
};

void PrintTo(const Walk& walk, std::ostream* out) { *out << walk.name; }

class RotationWalk : public Rotation, public ::testing::WithParamInterface<Walk> {};

TEST_P(RotationWalk, AppliesExactlyTheseWallpapersTickByTick) {
    const Walk& walk = GetParam();
    if (walk.open) load(walk.entries);
    for (int i = 0; i < walk.movesBefore; ++i) store.MoveNext();
    EXPECT_EQ(ticks(int(walk.applied.size())), walk.applied);
    EXPECT_EQ(scheduler.OldWallPaper, walk.oldWallPaper);
    EXPECT_EQ(scheduler.Longest, walk.longest);
    // Only a store with records keeps the rotation going.
    EXPECT_EQ(scheduler.Timer1.isActive(), !walk.entries.isEmpty());
}

// Display times that give a single tick: zero, negative, unreadable, out of range or null.
Walk oneTick(const char* name, const QString& odd) {
    return {name, {"/w/A=1", odd, "/w/C=1"}, 0, {"/w/odd", "/w/C", ""}, "/w/C", 0};
}

INSTANTIATE_TEST_SUITE_P(
    Stores, RotationWalk,
    ::testing::Values(
        // Each image stays its display time plus one ticks, in store order.
        Walk{"InStoreOrder",
             {"/w/A=2", "/w/B=2", "/w/C=2"},
             0,
             {"/w/B", "", "", "/w/C", "", "", "/w/A"},
             "/w/A",
             2},
        Walk{"SingleRecordReapplied",
             {"/w/only=2"},
             0,
             {"/w/only", "", "", "/w/only", "", "", "/w/only"},
             "/w/only",
             2},
        Walk{"Empty", {}, 0, {"", "", ""}, "", 0},
        Walk{"ClosedLikeEmpty", {}, 0, {"", ""}, "", 0, false},
        Walk{"CursorPastTheEndWraps", {"/w/A=2", "/w/B=2"}, 2, {"/w/A"}, "/w/A", 2},
        // Paths of two characters or fewer take their turn without a change.
        Walk{"ShortPath",
             {"/w/A=1", "ab=1", "/w/C=1"},
             0,
             {"", "", "/w/C", "", "/w/A", ""},
             "/w/A",
             0},
        oneTick("Zero", "/w/odd=0"), oneTick("Negative", "/w/odd=-5"),
        oneTick("Unreadable", "/w/odd=abc"), oneTick("Blank", "/w/odd="),
        oneTick("OutOfRange", "/w/odd=40000"), oneTick("Null", "/w/odd")),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rotation, ATickWithTheWindowShowingStopsTheTimerAndChangesNothing) {
    load({"/w/A=2", "/w/B=2"});
    windowVisible = true;
    EXPECT_EQ(ticks(1), QStringList{""});
    EXPECT_FALSE(scheduler.Timer1.isActive());
    EXPECT_EQ(scheduler.Longest, 0);
    EXPECT_EQ(store.Fields(QStringLiteral("Path")), QStringLiteral("/w/A"));
    // LongTime from the callers arms it again.
    windowVisible = false;
    scheduler.LongTime();
    EXPECT_EQ(setter.applied, QStringList{"/w/B"});
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

// A pause holds the image and its ticks; "Next" still changes the image but restarts nothing.
TEST_F(Rotation, APauseLastsUntilResumeWhateverElseStepsTheRotation) {
    load({"/w/A=1", "/w/B=1"});
    EXPECT_EQ(ticks(2), QStringList({"/w/B", ""}));
    scheduler.pause();
    EXPECT_TRUE(scheduler.isPaused());
    EXPECT_FALSE(scheduler.Timer1.isActive());
    scheduler.stepNow();
    EXPECT_EQ(setter.applied.last(), "/w/A");
    EXPECT_EQ(scheduler.Longest, 1);
    EXPECT_FALSE(scheduler.Timer1.isActive()) << "the step re-armed a paused rotation";
    scheduler.resume();
    EXPECT_TRUE(scheduler.Timer1.isActive());
    EXPECT_EQ(ticks(2), QStringList({"", "/w/B"}));
}

TEST_F(Rotation, AStoreHeldByAnotherProgramIsAskedAgainAtTheNextTick) {
    load({"/w/A=0", "/w/B=0", "/w/C=0"});
    testing_support::StoreLock backup(store.databasePath());
    EXPECT_EQ(ticks(2), QStringList({"", ""}));
    EXPECT_TRUE(scheduler.Timer1.isActive()) << "a locked store must not end the rotation";
    backup.release();
    EXPECT_EQ(ticks(3), QStringList({"/w/B", "/w/C", "/w/A"}));
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

TEST_F(Rotation, AFailingDesktopIsReportedOncePerRunOfFailuresAndTheRotationGoesOnAsEver) {
    load({"/w/a=0", "/w/b=0", "/w/c=0"});
    QStringList told;
    QObject::connect(&scheduler, &rotation::Scheduler::wallpaperFailing,
                     [&](const QString& reason) { told << "failing: " + reason; });
    QObject::connect(&scheduler, &rotation::Scheduler::wallpaperWorksAgain,
                     [&] { told << "works again"; });

    setter.problem = "swaymsg could not be started: is it installed?";
    EXPECT_EQ(ticks(4), QStringList({"/w/b", "/w/c", "/w/a", "/w/b"})) << "the same walk";
    EXPECT_EQ(told, QStringList{"failing: swaymsg could not be started: is it installed?"});
    setter.problem.clear();
    EXPECT_EQ(ticks(2), QStringList({"/w/c", "/w/a"}));
    setter.problem = "gsettings did not answer in time.";
    EXPECT_EQ(ticks(1), QStringList{"/w/b"});
    EXPECT_EQ(told, QStringList({"failing: swaymsg could not be started: is it installed?",
                                 "works again", "failing: gsettings did not answer in time."}));
    EXPECT_EQ(scheduler.OldWallPaper, "/w/b");
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

}  // namespace
