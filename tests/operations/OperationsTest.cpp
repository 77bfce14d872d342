#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <stdexcept>

#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/BackgroundCommand.h"
#include "operations/CropCommands.h"
#include "operations/FilterCommands.h"
#include "operations/GeometryCommands.h"
#include "operations/ImageInformation.h"
#include "operations/LinePoints.h"
#include "operations/NumericText.h"
#include "operations/OperationFrame.h"
#include "support/ScriptedPrompter.h"

namespace operations {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Flat grey 100 with one pixel of 200 at (2, 2), in a 5 x 5 image.
QImage spot() {
    QImage image = filled({5, 5}, QColor(100, 100, 100));
    image.setPixel(2, 2, qRgb(200, 200, 200));
    return image;
}

// An image whose left column is red and the rest blue, so mirroring shows.
QImage marked(int width, int height) {
    QImage image = filled({width, height}, Qt::blue);
    for (int y = 0; y < height; ++y) image.setPixel(0, y, 0xFFFF0000u);
    return image;
}

class Command : public testing::Test {
protected:
    void load(const QImage& picture) { image.canvas().LoadFromPicture(picture, 0); }
    int grey(int x, int y) const { return qRed(image.image().pixel(x, y)); }
    QSize size() const { return {image.Width(), image.Height()}; }

    imaging::ImgX image;
    testing_support::ScriptedPrompter prompter;
    CommandContext context{image, prompter, nullptr};
};

// Edge: p - f * (sum of the neighbours - 8.03 p); intensify: p + 0.2 p; soften: 0.2 p + 0.1
// of each neighbour. The results at the spot, beside it and on the flat, worked out by hand.
TEST_F(Command, FiltersGiveWhatTheirConstantsMake) {
    const std::tuple<const char*, std::function<void(const CommandContext&)>, int, int, int>
        cases[] = {{"EdgeHigh", [](auto& c) { edgeEnhance(c, 0); }, 255, 71, 101},
                   {"EdgeMedium", [](auto& c) { edgeEnhance(c, 1); }, 255, 88, 100},
                   {"EdgeLow", [](auto& c) { edgeEnhance(c, 2); }, 246, 94, 100},
                   {"Intensify", [](auto& c) { intensify(c); }, 240, 120, 120},
                   {"Soften", [](auto& c) { soften(c); }, 120, 110, 100}};
    for (const auto& [name, run, atSpot, besideSpot, flat] : cases) {
        load(spot());
        run(context);
        EXPECT_EQ(std::tuple(grey(2, 2), grey(1, 2), grey(0, 0)),
                  std::tuple(atSpot, besideSpot, flat))
            << name;
        EXPECT_EQ(image.UndoCount(), 1) << name;
    }
}

TEST_F(Command, GrayscaleUsesTheLumaOfTheColour) {
    load(filled({2, 2}, Qt::red));
    grayscale(context);
    EXPECT_EQ(image.image().pixel(1, 1), qRgb(76, 76, 76));  // 0.299 * 255 = 76.2
}

TEST_F(Command, SharpenChangesTheImageAndARefusalSaysNothing) {
    sharpen(context, 35);  // no image: refused in silence
    load(spot());
    sharpen(context, 35);
    EXPECT_EQ(image.UndoCaption(0), "Sharpen");
    EXPECT_GT(grey(2, 2), 200);
}

TEST(CentrePart, KeepsAbout88PercentAndAtLeast50Pixels) {
    const std::tuple<int, int, QRect> cases[] = {{800, 600, {46, 34, 708, 531}},
                                                 {56, 56, {3, 3, 50, 50}},
                                                 {55, 100, {2, 6, 50, 88}},
                                                 {21, 21, {-14, -14, 50, 50}}};
    for (const auto& [width, height, part] : cases)
        EXPECT_EQ(centrePart(width, height), part) << width << " x " << height;
}

TEST_F(Command, CropToTheSelectionKeepsThatRectangleAndReportsEvenNoImage) {
    int after = 0;
    prompter.expectMessage("No image is loaded.", Buttons::Ok, Icon::Exclamation, "Error",
                           Answer::Ok);
    cropToSelection(context, QRect(0, 0, 5, 5), [&] { ++after; });
    EXPECT_EQ(after, 1) << "the window still tidies up";

    load(spot());
    cropToSelection(context, QRect(2, 1, 2, 3), [&] { ++after; });
    EXPECT_EQ(size(), QSize(2, 3));
    EXPECT_EQ(grey(0, 1), 200);
    EXPECT_EQ(after, 2);

    // The centre part of a narrow image reaches outside it; what there is stays.
    load(filled({21, 30}, Qt::white));
    cropCentre(context, [] {});
    EXPECT_LE(image.Width(), 21);
}

TEST(LinePoints, StepByThePointCountAndIgnoreTheDirection) {
    const std::tuple<QPoint, QPoint, std::vector<QPoint>> cases[] = {
        {{0, 0}, {4, 3}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        {{5, 5}, {5, 5}, {{5, 5}}},
        {{2, 0}, {0, 3}, {{2, 0}, {2, 1}, {1, 2}, {0, 3}}},
        {{0, 4}, {3, 4}, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}}};
    for (const auto& [a, b, points] : cases) {
        EXPECT_EQ(linePoints(a.x(), a.y(), b.x(), b.y()), points) << a.x() << "," << a.y();
        EXPECT_EQ(linePoints(b.x(), b.y(), a.x(), a.y()), points) << a.x() << "," << a.y();
    }
}

TEST_F(Command, BackgroundCentresTheShrunkImageOnAScreenSizedCanvas) {
    const std::pair<QSize, QRect> cases[] = {
        {{800, 600}, {112, 84, 800, 600}},
        // 2000 -> 1700 -> 1445 -> 1228 -> 1044 -> 887 wide, 500 -> ... -> 222 high
        {{2000, 500}, {68, 273, 887, 222}},
        {{1024, 100}, {77, 342, 870, 85}}};
    for (const auto& [from, placed] : cases) {
        SCOPED_TRACE(from.width());
        load(filled(from, Qt::red));
        composeBackground(context, {1024, 768}, qRgb(0, 0, 255));
        ASSERT_EQ(size(), QSize(1024, 768));
        const QImage& result = image.image();
        EXPECT_EQ(result.pixel(placed.topLeft()), qRgb(255, 0, 0));
        EXPECT_EQ(result.pixel(placed.bottomRight()), qRgb(255, 0, 0));
        EXPECT_EQ(result.pixel(placed.topLeft() - QPoint(1, 1)), qRgb(0, 0, 255));
        EXPECT_EQ(result.pixel(placed.bottomRight() + QPoint(1, 1)), qRgb(0, 0, 255));
        EXPECT_EQ(image.UndoCount(), 1);
        EXPECT_EQ(image.UndoCaption(0), "New Image");
    }
    // A canvas that cannot be made is reported and the shrinking still ends.
    load(filled({3, 2}, Qt::red));
    prompter.expectMessage("The width and height must be at least 1 pixel.", Buttons::Ok,
                           Icon::Exclamation, "Error", Answer::Ok);
    composeBackground(context, {0, 0}, 0);
    EXPECT_EQ(image.Width(), 3) << "the image stays as it was";
}

TEST_F(Command, FlipMirrorsAndTwiceGivesTheImageBack) {
    // Without an image the geometry commands show nothing.
    flip(context, 0);
    rotateQuarter(context);
    resizeToScreen(context, {1024, 768});
    resizeToWidth(context, 640);
    EXPECT_TRUE(image.IsEmpty());
    load(marked(5, 3));
    flip(context, 0);
    EXPECT_EQ(image.image().pixel(4, 1), 0xFFFF0000u);
    EXPECT_EQ(image.image().pixel(0, 1), 0xFF0000FFu);
    flip(context, 0);
    EXPECT_EQ(image.image(), marked(5, 3));
    flip(context, 1);
    EXPECT_EQ(image.image(), marked(5, 3)) << "top and bottom of a striped image are alike";
    EXPECT_EQ(image.UndoCaption(0), "Flip");
}

TEST_F(Command, AnAskedAngleTurnsOnlyFrom1To359) {
    const std::pair<std::optional<QString>, bool> cases[] = {
        {"45", true},   {"45 degrees", true}, {"1", true},    {"359", true}, {" 3 0", true},
        {"1.5", true},  {"word", false},      {{}, false},    {"0", false},  {"0.5", false},
        {"360", false}, {"359.5", false},     {"-90", false}, {"90x", true}};
    for (const auto& [answer, turns] : cases) {
        load(marked(40, 20));
        prompter.expectInput("Enter degrees to rotate?  [1..359]", "Image Rotation", answer);
        rotateByAskedAngle(context);
        EXPECT_EQ(image.UndoCount(), turns ? 1 : 0) << answer.value_or("Cancel").toStdString();
        EXPECT_EQ(prompter.asked().back().defaultText, "");
    }
    EXPECT_EQ(size(), QSize(20, 40)) << "a quarter turn at the last";
}

TEST_F(Command, APresetWidthKeepsTheProportionsRoundingHalvesToEven) {
    const std::tuple<QSize, int, QSize> cases[] = {
        {{800, 600}, 640, {640, 480}},   {{1000, 333}, 640, {640, 213}},
        {{50, 40}, 640, {50, 40}},                                     // too narrow: left alone
        {{51, 40}, 640, {640, 502}},                                   // 40 / 51 * 640 = 501.96
        {{400, 100}, 1024, {1024, 256}}, {{1600, 5}, 800, {800, 2}}};  // 2.5 goes to the even 2
    for (const auto& [from, width, to] : cases) {
        load(marked(from.width(), from.height()));
        resizeToWidth(context, width);
        EXPECT_EQ(size(), to) << from.width() << " to " << width;
    }
}

const imaging::Error kBadSize(imaging::kInvalidSize,
                              QStringLiteral("The width and height must be at least 1 pixel."));
const imaging::Error kNoImage(imaging::kNoImage, QStringLiteral("No image is loaded."));

// Each style shows the remembered error its own way or not at all; a report drops the error.
TEST(OperationFrame, ReportsTheRememberedErrorInTheCommandsStyle) {
    const imaging::Error diskFull(7, QStringLiteral("Disk full."), QStringLiteral("Codec"));
    const std::tuple<ReportStyle, Reported, imaging::Error, const char*, const char*> cases[] = {
        {ReportStyle::Full, Reported::PassOver, kBadSize,
         "Error: -2147220832\r\n\r\nThe width and height must be at least 1 pixel.", "ImgX"},
        {ReportStyle::Short, Reported::PassOver, kBadSize, "Error: -2147220832", "ImgX"},
        {ReportStyle::Plain, Reported::PassOver, kBadSize,
         "The width and height must be at least 1 pixel.", "Error"},
        {ReportStyle::Silent, Reported::AnyError, kBadSize, "", ""},
        {ReportStyle::Full, Reported::PassOver, kNoImage, "", ""},
        {ReportStyle::Short, Reported::PassOver, kNoImage, "", ""},
        {ReportStyle::Plain, Reported::PassOver, kNoImage, "", ""},
        {ReportStyle::Plain, Reported::AnyError, kNoImage, "No image is loaded.", "Error"},
        // The error's source becomes the title.
        {ReportStyle::Full, Reported::AnyError, diskFull, "Error: 7\r\n\r\nDisk full.", "Codec"}};
    for (const auto& [style, which, error, text, title] : cases) {
        SCOPED_TRACE(std::string(text) + " from " + error.description.toStdString());
        testing_support::ScriptedPrompter prompter;
        const bool shown = *text != 0;
        if (shown) prompter.expectMessage(text, Buttons::Ok, Icon::Exclamation, title, Answer::Ok);
        OperationFrame frame(prompter, nullptr);
        frame.step([&] { throw error; });
        EXPECT_EQ(frame.report(style, which), shown);
        EXPECT_TRUE(prompter.allAnswered());
        EXPECT_FALSE(frame.lastError().has_value());
    }
}

// Steps after a failure still run and the last error is the one reported; failures from
// below the engine are reported, not lost.
TEST(OperationFrame, ReportsTheLastFailureOfAnyKind) {
    testing_support::ScriptedPrompter prompter;
    prompter.expectMessage("Error: -2147220832", Buttons::Ok, Icon::Exclamation, "ImgX",
                           Answer::Ok);
    OperationFrame frame(prompter, nullptr);
    int ran = 0;
    frame.step([&] { throw kNoImage; });
    frame.step([&] { ++ran; });
    frame.step([&] { throw kBadSize; });
    frame.step([&] { ++ran; });
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(frame.lastError()->number, imaging::kInvalidSize);
    frame.report(ReportStyle::Short);
    EXPECT_TRUE(prompter.allAnswered());

    EXPECT_TRUE(frame.attempt([] {}));
    EXPECT_FALSE(frame.report(ReportStyle::Full, Reported::AnyError)) << "nothing failed";
    EXPECT_FALSE(frame.attempt([] { throw std::bad_alloc(); }));
    EXPECT_EQ(frame.lastError()->number, imaging::kOutOfMemory);
    EXPECT_FALSE(frame.attempt([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_EQ(frame.lastError()->description, QStringLiteral("disk on fire"));
    EXPECT_NE(frame.lastError()->number, 0);
}

TEST(LeadingNumber, ReadsWhatAPersonTyped) {
    const std::pair<const char*, double> cases[] = {
        {"2", 2},  {"  45 ", 45}, {"1 2", 12}, {"3x", 3},    {"-7", -7},
        {"+8", 8}, {"2.5", 2.5},  {".5", 0.5}, {"1e2", 100}, {"1D2", 100},
        {"1e", 1}, {"abc", 0},    {"", 0},     {"-", 0},     {"1,5", 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingNumber(text), value) << text;
}

TEST(WholeNumber, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    std::vector<std::optional<int>> whole;
    for (const double n :
         {2.5, 3.5, -0.5, 2147483647.0, 2147483648.0, leadingNumber("1e400"), double(NAN)})
        whole.push_back(toWholeNumber(n));
    const std::optional<int> none;
    EXPECT_EQ(whole, std::vector<std::optional<int>>({2, 4, 0, 2147483647, none, none, none}));
}

TEST(Ratio, HasAtMostThreeDecimalsAndNoNeedlessZeros) {
    const std::tuple<int, int, const char*> cases[] = {{800, 600, "1.333"}, {600, 800, ".75"},
                                                       {500, 500, "1."},    {1000, 3, "333.333"},
                                                       {3, 1000, ".003"},   {1, 3000, "."}};
    for (const auto& [width, height, text] : cases)
        EXPECT_EQ(formatRatio(double(width) / height, QLocale::c()), text)
            << width << "/" << height;
}

TEST(ImageInformation, ListsTheImageAndItsFileSizeFrom100Bytes) {
    imaging::ImgX image;
    QImage picture = filled({1200, 3}, Qt::white);
    picture.setPixel(0, 0, 0xFF000000u);
    image.canvas().LoadFromPicture(picture, 0);
    image.setInfo(imaging::kInfoFilePath, QStringLiteral("/pics/wide.bmp"));
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QString head =
        "/pics/wide.bmp\r\n\r\nWidth : \t\t1,200\r\nHeight :\t\t3\r\nRatio  (W/H):\t400."
        "\r\nColors :\t\t2\r\n";
    EXPECT_EQ(imageInformationText(image, 99, english), head);
    EXPECT_EQ(imageInformationText(image, 1234567, english), head + "File Size :\t\t1234567");
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_TRUE(imageInformationText(image, 0, german).contains("Width : \t\t1.200\r\n"));
    EXPECT_TRUE(imageInformationText(image, 0, german).contains("\t400,\r\n"));
}

}  // namespace
}  // namespace operations
