#include <gtest/gtest.h>

#include <QImage>

#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "operations/BackgroundCommand.h"
#include "operations/CropCommands.h"
#include "operations/FilterCommands.h"
#include "operations/LinePoints.h"
#include "support/ScriptedPrompter.h"

namespace operations {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Flat grey 100 with one pixel of 200 at (2, 2), in a 5 x 5 image.
QImage spot() {
    QImage image(5, 5, QImage::Format_RGB32);
    image.fill(QColor(100, 100, 100));
    image.setPixel(2, 2, qRgb(200, 200, 200));
    return image;
}

class ActionCommand : public testing::Test {
protected:
    void load(const QImage& picture) { image.canvas().LoadFromPicture(picture, 0); }
    int grey(int x, int y) const { return qRed(image.image().pixel(x, y)); }
    QString engineDescription(std::int32_t number) {
        imaging::ImgX empty;
        try {
            empty.effects().Grayscale(0);
        } catch (const imaging::Error& error) {
            if (error.number == number) return error.description;
        }
        return {};
    }

    imaging::ImgX image;
    testing_support::ScriptedPrompter prompter;
    CommandContext context{image, prompter, nullptr};
};

struct FilterCase {
    const char* name;
    std::function<void(const CommandContext&)> run;
    int spot, besideSpot, flat;  // the results, worked out by hand from the constants
};

class Filter : public ActionCommand, public testing::WithParamInterface<FilterCase> {};

// Edge: p - f * (sum of the neighbours - 8.03 p); intensify: p + 0.2 p; soften: 0.2 p + 0.1
// of each neighbour.
TEST_P(Filter, GivesWhatItsConstantsMake) {
    load(spot());
    GetParam().run(context);
    EXPECT_EQ(grey(2, 2), GetParam().spot);
    EXPECT_EQ(grey(1, 2), GetParam().besideSpot);
    EXPECT_EQ(grey(0, 0), GetParam().flat);
    EXPECT_EQ(image.UndoCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Filter,
    testing::Values(FilterCase{"EdgeHigh", [](auto& c) { edgeEnhance(c, 0); }, 255, 71, 101},
                    FilterCase{"EdgeMedium", [](auto& c) { edgeEnhance(c, 1); }, 255, 88, 100},
                    FilterCase{"EdgeLow", [](auto& c) { edgeEnhance(c, 2); }, 246, 94, 100},
                    FilterCase{"Intensify", [](auto& c) { intensify(c); }, 240, 120, 120},
                    FilterCase{"Soften", [](auto& c) { soften(c); }, 120, 110, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterConstants, AreTheDesignedOnes) {
    EXPECT_EQ(softenKernel()[0], 0.1);
    EXPECT_EQ(softenKernel()[4], 0.2);
    EXPECT_EQ(edgeKernel()[4], -8.03);
    EXPECT_EQ(edgeFactor(1), 0.125);
    EXPECT_EQ(identityKernel()[4], 1.0);
}

TEST_F(ActionCommand, GrayscaleUsesTheLumaOfTheColour) {
    QImage red(2, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    load(red);
    grayscale(context);
    EXPECT_EQ(image.image().pixel(1, 1), qRgb(76, 76, 76));  // 0.299 * 255 = 76.2
}

TEST_F(ActionCommand, SharpenChangesTheImageAndARefusalSaysNothing) {
    sharpen(context, 35);  // no image: refused in silence
    load(spot());
    sharpen(context, 35);
    EXPECT_EQ(image.UndoCaption(0), "Sharpen");
    EXPECT_GT(grey(2, 2), 200);
}

struct CentreCase {
    int width, height;
    QRect part;
};

class CentrePart : public testing::TestWithParam<CentreCase> {};

TEST_P(CentrePart, KeepsAbout88PercentAndAtLeast50Pixels) {
    EXPECT_EQ(centrePart(GetParam().width, GetParam().height), GetParam().part);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CentrePart,
                         testing::Values(CentreCase{800, 600, {46, 34, 708, 531}},
                                         CentreCase{56, 56, {3, 3, 50, 50}},
                                         CentreCase{55, 100, {2, 6, 50, 88}},
                                         CentreCase{21, 21, {-14, -14, 50, 50}}));

TEST_F(ActionCommand, CropToTheSelectionKeepsThatRectangle) {
    load(spot());
    int after = 0;
    cropToSelection(context, QRect(2, 1, 2, 3), [&] { ++after; });
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(grey(0, 1), 200);
    EXPECT_EQ(after, 1);
}

TEST_F(ActionCommand, CropToTheSelectionReportsEvenNoImage) {
    prompter.expectMessage(engineDescription(imaging::kNoImage), Buttons::Ok, Icon::Exclamation,
                           "Error", Answer::Ok);
    int after = 0;
    cropToSelection(context, QRect(0, 0, 5, 5), [&] { ++after; });
    EXPECT_EQ(after, 1) << "the window still tidies up";
}

TEST_F(ActionCommand, CentreCropOfANarrowImageKeepsWhatThereIs) {
    QImage narrow(21, 30, QImage::Format_RGB32);
    narrow.fill(Qt::white);
    load(narrow);
    cropCentre(context, [] {});
    EXPECT_LE(image.Width(), 21);
}

struct LineCase {
    QPoint from, to;
    std::vector<QPoint> points;
};

class LinePlot : public testing::TestWithParam<LineCase> {};

TEST_P(LinePlot, StepsByThePointCountAndIgnoresTheDirection) {
    const LineCase& c = GetParam();
    EXPECT_EQ(linePoints(c.from.x(), c.from.y(), c.to.x(), c.to.y()), c.points);
    EXPECT_EQ(linePoints(c.to.x(), c.to.y(), c.from.x(), c.from.y()), c.points);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LinePlot,
    testing::Values(LineCase{{0, 0}, {4, 3}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
                    LineCase{{5, 5}, {5, 5}, {{5, 5}}},
                    LineCase{{2, 0}, {0, 3}, {{2, 0}, {2, 1}, {1, 2}, {0, 3}}},
                    LineCase{{0, 4}, {3, 4}, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}}));

struct BackgroundCase {
    QSize image;
    QSize placed;
    QPoint at;
};

class Background : public ActionCommand, public testing::WithParamInterface<BackgroundCase> {};

TEST_P(Background, CentresTheShrunkImageOnAScreenSizedCanvas) {
    const BackgroundCase& c = GetParam();
    QImage picture(c.image, QImage::Format_RGB32);
    picture.fill(Qt::red);
    load(picture);
    composeBackground(context, {1024, 768}, qRgb(0, 0, 255));
    ASSERT_EQ(QSize(image.Width(), image.Height()), QSize(1024, 768));
    const QRect placed(c.at, c.placed);
    const QImage& result = image.image();
    EXPECT_EQ(result.pixel(placed.topLeft()), qRgb(255, 0, 0));
    EXPECT_EQ(result.pixel(placed.bottomRight()), qRgb(255, 0, 0));
    EXPECT_EQ(result.pixel(placed.topLeft() - QPoint(1, 1)), qRgb(0, 0, 255));
    EXPECT_EQ(result.pixel(placed.bottomRight() + QPoint(1, 1)), qRgb(0, 0, 255));
    EXPECT_EQ(image.UndoCount(), 1);
    EXPECT_EQ(image.UndoCaption(0), "New Image");
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Background,
    testing::Values(BackgroundCase{{800, 600}, {800, 600}, {112, 84}},
                    // 2000 -> 1700 -> 1445 -> 1228 -> 1044 -> 887 wide, 500 -> ... -> 222 high
                    BackgroundCase{{2000, 500}, {887, 222}, {68, 273}},
                    BackgroundCase{{1024, 100}, {870, 85}, {77, 342}}));

TEST_F(Background, ACanvasThatCannotBeMadeIsReportedAndTheLoopsStillEnd) {
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    load(picture);
    prompter.expectMessage("The width and height must be at least 1 pixel.", Buttons::Ok,
                           Icon::Exclamation, "Error", Answer::Ok);
    composeBackground(context, {0, 0}, 0);
    EXPECT_EQ(image.Width(), 3) << "the image stays as it was";
}

}  // namespace
}  // namespace operations
