#include <gtest/gtest.h>
#include <QEventLoop>
#include <QTimer>

#include "rotation/Scheduler.h"
#include "showlist/RecordSet.h"
#include "support/RecordingWallpaperSetter.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using testing_support::RecordingWallpaperSetter;
using testing_support::StoredRecord;

StoredRecord entry(const QString& path, const QString& viewTime) {
    return {path, path, viewTime, std::nullopt};
}

class Rotation : public ::testing::Test {
protected:
    void load(const std::vector<StoredRecord>& records) {
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
    RecordingWallpaperSetter setter;
    bool windowVisible = false;
    rotation::Scheduler scheduler{store, setter, [this] { return windowVisible; },
                                  rotation::kDefaultTickMs};
};

TEST_F(Rotation, EachImageStaysItsDisplayTimePlusOneTicksInStoreOrder) {
    load({entry("/w/A.bmp", "2"), entry("/w/B.bmp", "2"), entry("/w/C.bmp", "2")});
    store.MoveFirst();
    scheduler.Longest = 0;
    EXPECT_EQ(ticks(7), (QStringList{"/w/B.bmp", "", "", "/w/C.bmp", "", "", "/w/A.bmp"}));
    EXPECT_EQ(scheduler.OldWallPaper, "/w/A.bmp");
    EXPECT_EQ(scheduler.Longest, 2);
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

TEST_F(Rotation, ASingleRecordIsReappliedEveryDisplayTimePlusOneTicks) {
    load({entry("/w/only.bmp", "2")});
    EXPECT_EQ(ticks(7), (QStringList{"/w/only.bmp", "", "", "/w/only.bmp", "", "", "/w/only.bmp"}));
}

TEST_F(Rotation, ATickWithTheWindowShowingStopsTheTimerAndChangesNothing) {
    load({entry("/w/A.bmp", "2"), entry("/w/B.bmp", "2")});
    scheduler.Longest = 0;
    windowVisible = true;
    EXPECT_EQ(ticks(1), QStringList{""});
    EXPECT_FALSE(scheduler.Timer1.isActive());
    EXPECT_EQ(scheduler.Longest, 0);
    EXPECT_EQ(store.Fields(QStringLiteral("Path")), QStringLiteral("/w/A.bmp"));
    // LongTime from the callers arms it again.
    windowVisible = false;
    scheduler.LongTime();
    EXPECT_EQ(setter.applied, QStringList{"/w/B.bmp"});
    EXPECT_TRUE(scheduler.Timer1.isActive());
}

TEST_F(Rotation, AnEmptyStoreChangesNothingAndLeavesTheTimerStopped) {
    load({});
    EXPECT_EQ(ticks(3), (QStringList{"", "", ""}));
    EXPECT_FALSE(scheduler.Timer1.isActive());
}

TEST_F(Rotation, AClosedStoreBehavesAsAnEmptyOne) {
    EXPECT_EQ(ticks(2), (QStringList{"", ""}));
    EXPECT_FALSE(scheduler.Timer1.isActive());
}

TEST_F(Rotation, ACursorPastTheEndWrapsToTheFirstRecord) {
    load({entry("/w/A.bmp", "2"), entry("/w/B.bmp", "2")});
    store.MoveLast();
    store.MoveNext();
    ASSERT_TRUE(store.Eof());
    EXPECT_EQ(ticks(1), QStringList{"/w/A.bmp"});
}

TEST_F(Rotation, PathsOfTwoCharactersOrFewerTakeTheirTurnWithoutAChange) {
    load({entry("/w/A.bmp", "1"), entry("ab", "1"), entry("/w/C.bmp", "1")});
    store.MoveFirst();
    EXPECT_EQ(ticks(6), (QStringList{"", "", "/w/C.bmp", "", "/w/A.bmp", ""}));
}

// Display times that give a single tick: zero, negative, unreadable or out of range.
class OneTickDisplayTime : public Rotation, public ::testing::WithParamInterface<const char*> {};

TEST_P(OneTickDisplayTime, ShowsTheImageForOneTick) {
    load({entry("/w/A.bmp", "1"), entry("/w/odd.bmp", GetParam()), entry("/w/C.bmp", "1")});
    store.MoveFirst();
    EXPECT_EQ(ticks(3), (QStringList{"/w/odd.bmp", "/w/C.bmp", ""}));
}

INSTANTIATE_TEST_SUITE_P(Values, OneTickDisplayTime,
                         ::testing::Values("0", "-5", "abc", "", "40000"));

TEST_F(Rotation, ANullDisplayTimeAlsoLastsOneTick) {
    load({entry("/w/A.bmp", "1"),
          {QStringLiteral("/w/n.bmp"), {}, std::nullopt, std::nullopt},
          entry("/w/C.bmp", "1")});
    store.MoveFirst();
    EXPECT_EQ(ticks(2), (QStringList{"/w/n.bmp", "/w/C.bmp"}));
}

TEST_F(Rotation, CallsOutsideATickCountAsOneStep) {
    load({entry("/w/A.bmp", "3"), entry("/w/B.bmp", "3")});
    scheduler.Longest = 2;
    scheduler.LongTime();
    EXPECT_EQ(scheduler.Longest, 1);
    EXPECT_TRUE(setter.applied.isEmpty());
}

TEST_F(Rotation, TheTimerDrivesTheRotationOnItsOwn) {
    load({entry("/w/A.bmp", "0"), entry("/w/B.bmp", "0")});
    scheduler.Timer1.setInterval(5);
    scheduler.Timer1.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (setter.applied.size() >= 3) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_GE(setter.applied.size(), 3);
    EXPECT_EQ(setter.applied.mid(0, 3), (QStringList{"/w/B.bmp", "/w/A.bmp", "/w/B.bmp"}));
}

}  // namespace
