#include "operations/GeometryCommands.h"

#include <gtest/gtest.h>

#include <QImage>

#include "imaging/ImgX.h"
#include "support/ScriptedPrompter.h"

namespace operations {
namespace {

// An image whose left column is red and the rest blue, so mirroring shows.
QImage marked(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < height; ++y) image.setPixel(0, y, 0xFFFF0000u);
    return image;
}

class GeometryCommand : public testing::Test {
protected:
    void load(int width, int height) { image.canvas().LoadFromPicture(marked(width, height), 0); }
    QSize size() const { return {image.Width(), image.Height()}; }

    imaging::ImgX image;
    testing_support::ScriptedPrompter prompter;
    CommandContext context{image, prompter, nullptr};
};

TEST_F(GeometryCommand, FlipMirrorsAndTwiceGivesTheImageBack) {
    load(5, 3);
    flip(context, 0);
    EXPECT_EQ(image.image().pixel(4, 1), 0xFFFF0000u);
    EXPECT_EQ(image.image().pixel(0, 1), 0xFF0000FFu);
    flip(context, 0);
    EXPECT_EQ(image.image(), marked(5, 3));
    flip(context, 1);
    EXPECT_EQ(image.image(), marked(5, 3)) << "top and bottom of a striped image are alike";
    EXPECT_EQ(image.UndoCaption(0), "Flip");
}

TEST_F(GeometryCommand, RotateQuarterTurnsWithoutAsking) {
    load(5, 3);
    rotateQuarter(context);
    EXPECT_EQ(size(), QSize(3, 5));
}

TEST_F(GeometryCommand, WithoutAnImageNothingIsShown) {
    flip(context, 0);
    rotateQuarter(context);
    resizeToScreen(context, {1024, 768});
    resizeToWidth(context, 640);
    EXPECT_TRUE(image.IsEmpty());
}

struct AngleCase {
    std::optional<QString> answer;
    bool turns;
};

class AskedAngle : public GeometryCommand, public testing::WithParamInterface<AngleCase> {};

TEST_P(AskedAngle, TurnsOnlyForAnAngleFrom1To359) {
    load(40, 20);
    prompter.expectInput("Enter degrees to rotate?  [1..359]", "Image Rotation", GetParam().answer);
    rotateByAskedAngle(context);
    EXPECT_EQ(image.UndoCount(), GetParam().turns ? 1 : 0);
    EXPECT_EQ(prompter.asked().at(0).defaultText, "");
}

INSTANTIATE_TEST_SUITE_P(Answers, AskedAngle,
                         testing::Values(AngleCase{"45", true}, AngleCase{"45 degrees", true},
                                         AngleCase{"1", true}, AngleCase{"359", true},
                                         AngleCase{" 3 0", true}, AngleCase{"1.5", true},
                                         AngleCase{"word", false}, AngleCase{std::nullopt, false},
                                         AngleCase{"0", false}, AngleCase{"0.5", false},
                                         AngleCase{"360", false}, AngleCase{"359.5", false},
                                         AngleCase{"-90", false}));

TEST_F(GeometryCommand, AnAskedAngleTurnsByThatAngle) {
    load(40, 20);
    prompter.expectInput("Enter degrees to rotate?  [1..359]", "Image Rotation", QString("90x"));
    rotateByAskedAngle(context);
    EXPECT_EQ(size(), QSize(20, 40));
}

struct WidthCase {
    QSize from;
    int width;
    QSize to;
};

class PresetWidth : public GeometryCommand, public testing::WithParamInterface<WidthCase> {};

TEST_P(PresetWidth, KeepsTheProportionsRoundingHalvesToEven) {
    const WidthCase c = GetParam();
    load(c.from.width(), c.from.height());
    resizeToWidth(context, c.width);
    EXPECT_EQ(size(), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PresetWidth,
    testing::Values(WidthCase{{800, 600}, 640, {640, 480}}, WidthCase{{1000, 333}, 640, {640, 213}},
                    WidthCase{{50, 40}, 640, {50, 40}},    // too narrow: left alone
                    WidthCase{{51, 40}, 640, {640, 502}},  // 40 / 51 * 640 = 501.96
                    WidthCase{{400, 100}, 1024, {1024, 256}},
                    WidthCase{{1600, 5}, 800, {800, 2}}));  // 2.5 goes to the even 2

TEST(ProportionalHeight, DividesFirstThenMultiplies) {
    EXPECT_EQ(proportionalHeight(1000, 333, 640), 213);
    EXPECT_EQ(proportionalHeight(3, 1, 3), 1);
}

TEST_F(GeometryCommand, ScreenSizeStretchesToTheScreen) {
    load(100, 100);
    resizeToScreen(context, {1024, 768});
    EXPECT_EQ(size(), QSize(1024, 768));
}

}  // namespace
}  // namespace operations
