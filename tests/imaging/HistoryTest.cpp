#include <gtest/gtest.h>

#include "imaging/History.h"

namespace {

using imaging::History;

QImage imageOf(int width, QRgb color = 0xFF000000) {
    QImage image(width, 1, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QStringList undoCaptions(const History& history) {
    QStringList captions;
    for (int i = 0; i < history.undoCount(); ++i) captions << history.undoCaption(i);
    return captions;
}

TEST(History, UndoAndRedoWalkTheStepsWithTheirCaptions) {
    History history;
    QImage current = imageOf(1);
    std::uint64_t id = 1;
    history.record(current, id, "Flip");
    current = imageOf(2);
    id = 2;
    history.record(current, id, "Rotate");
    current = imageOf(3);
    id = 3;
    EXPECT_EQ(undoCaptions(history), (QStringList{"Rotate", "Flip"}));

    history.undo(current, id);
    EXPECT_EQ(current.width(), 2);
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(history.redoCaption(0), "Rotate");
    history.undo(current, id);
    EXPECT_EQ(current.width(), 1);
    EXPECT_EQ(history.redoCount(), 2);
    EXPECT_EQ(history.redoCaption(0), "Flip");
    history.redo(current, id);
    EXPECT_EQ(current.width(), 2);
    EXPECT_EQ(history.undoCaption(0), "Flip");
    EXPECT_EQ(history.undoCaption(5), "");

    // A new change drops what could be redone.
    history.record(current, id, "Crop");
    EXPECT_EQ(history.redoCount(), 0);
    EXPECT_EQ(undoCaptions(history), (QStringList{"Crop", "Flip"}));
}

TEST(History, DropsTheOldestStepsBeyondTheStepLimit) {
    History history({3, std::int64_t(1) << 40});
    for (int i = 1; i <= 5; ++i) history.record(imageOf(i), std::uint64_t(i), QString::number(i));
    EXPECT_EQ(undoCaptions(history), (QStringList{"5", "4", "3"}));
}

TEST(History, DropsTheOldestStepsBeyondTheByteLimitKeepingTheCountRight) {
    // Each 100-pixel row is 400 bytes: three fit into 1200 bytes, a fourth does not.
    History history({50, 1200});
    for (int i = 1; i <= 4; ++i) history.record(imageOf(100), std::uint64_t(i), QString::number(i));
    EXPECT_EQ(undoCaptions(history), (QStringList{"4", "3", "2"}));
    EXPECT_EQ(history.bytes(), 1200);
    QImage current = imageOf(100);
    std::uint64_t id = 9;
    history.undo(current, id);
    EXPECT_EQ(history.bytes(), 1200);
    history.clear();
    EXPECT_EQ(history.bytes(), 0);
}

TEST(History, AStepLargerThanTheBudgetIsNotKept) {
    History history({50, 100});
    history.record(imageOf(1000), 1, "Huge");
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(history.bytes(), 0);
}

TEST(History, TighterLimitsApplyAtOnce) {
    History history;
    for (int i = 1; i <= 10; ++i) history.record(imageOf(1), std::uint64_t(i), QString::number(i));
    history.setLimits({2, std::int64_t(1) << 30});
    EXPECT_EQ(undoCaptions(history), (QStringList{"10", "9"}));
}

}  // namespace
