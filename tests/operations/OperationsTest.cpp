#include "../editor/EditorFixture.h"
#include "operations/BackgroundCommand.h"
#include "operations/CropCommands.h"
#include "operations/FilterCommands.h"
#include "operations/GeometryCommands.h"
#include "operations/ImageInformation.h"
#include "operations/LinePoints.h"
#include "operations/NumericText.h"
#include "operations/OperationFrame.h"

namespace operations {
namespace {

using namespace testing_support;

class Command : public testing::Test {
protected:
    // Flat grey 100 with one pixel of 200 at (2, 2); or, with a width, a left column of red
    // on blue, so that mirroring shows.
    void load(int width = 0, int height = 0) {
        QImage picture = filled(width ? QSize(width, height) : QSize(5, 5),
                                width ? QColor(Qt::blue) : QColor(100, 100, 100));
        if (!width) picture.setPixel(2, 2, qRgb(200, 200, 200));
        for (int y = 0; width && y < height; ++y) picture.setPixel(0, y, qRgb(255, 0, 0));
        image.canvas().LoadFromPicture(picture, 0);
    }
    int grey(int x, int y) const { return qRed(image.image().pixel(x, y)); }
    QSize size() const { return {image.Width(), image.Height()}; }
    void expectError(const QString& text) {
        prompter.expectMessage(text, Buttons::Ok, Icon::Exclamation, "Error", Answer::Ok);
    }

    imaging::ImgX image;
    ScriptedPrompter prompter;
    CommandContext context{image, prompter, nullptr};
};

// Edge: p - f * (sum of the neighbours - 8.03 p); intensify: p + 0.2 p; soften: 0.2 p + 0.1
// of each neighbour. The results at the spot, beside it and on the flat, worked out by hand.
TEST_F(Command, FiltersGiveWhatTheirConstantsMake) {
    sharpen(context, 35);  // no image: refused in silence
    const std::tuple<std::function<void(const CommandContext&)>, int, int, int> cases[] = {
        {[](auto& c) { edgeEnhance(c, 0); }, 255, 71, 101},
        {[](auto& c) { edgeEnhance(c, 1); }, 255, 88, 100},
        {[](auto& c) { edgeEnhance(c, 2); }, 246, 94, 100},
        {[](auto& c) { intensify(c); }, 240, 120, 120},
        {[](auto& c) { soften(c); }, 120, 110, 100}};
    for (const auto& [run, atSpot, besideSpot, flat] : cases) {
        load();
        run(context);
        EXPECT_EQ(std::tuple(grey(2, 2), grey(1, 2), grey(0, 0), image.UndoCount()),
                  std::tuple(atSpot, besideSpot, flat, 1));
    }
}

// The centre part is about 88 % and at least 50 pixels, even where that reaches outside.
TEST_F(Command, CropKeepsTheSelectionOrTheCentrePartAndReportsEvenNoImage) {
    int after = 0;
    expectError("No image is loaded.");
    cropToSelection(context, QRect(0, 0, 5, 5), [&] { ++after; });
    load();
    cropToSelection(context, QRect(2, 1, 2, 3), [&] { ++after; });
    EXPECT_EQ(std::tuple(size(), grey(0, 1), after), std::tuple(QSize(2, 3), 200, 2));
    EXPECT_EQ(std::tuple(centrePart(800, 600), centrePart(55, 100), centrePart(21, 21)),
              std::tuple(QRect(46, 34, 708, 531), QRect(2, 6, 50, 88), QRect(-14, -14, 50, 50)));
    // The editor's pencil draws the line forwards; backwards, the same points come.
    EXPECT_EQ(linePoints(4, 3, 0, 0),
              (std::vector<QPoint>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    EXPECT_EQ(linePoints(5, 5, 5, 5), (std::vector<QPoint>{{5, 5}}));
}

// 2000 -> 1700 -> 1445 -> 1228 -> 1044 -> 887 wide, 500 -> ... -> 222 high
TEST_F(Command, BackgroundCentresTheShrunkImageOnAScreenSizedCanvas) {
    for (const auto& [from, placed] : {std::pair{QSize(800, 600), QRect(112, 84, 800, 600)},
                                       std::pair{QSize(2000, 500), QRect(68, 273, 887, 222)}}) {
        image.canvas().LoadFromPicture(filled(from, Qt::red), 0);
        composeBackground(context, {1024, 768}, qRgb(0, 0, 255));
        const QImage& r = image.image();
        EXPECT_EQ(std::tuple(size(), r.pixel(placed.topLeft()), r.pixel(placed.bottomRight()),
                             r.pixel(placed.topLeft() - QPoint(1, 1)),
                             r.pixel(placed.bottomRight() + QPoint(1, 1)), image.UndoCaption(0)),
                  std::tuple(QSize(1024, 768), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255),
                             qRgb(0, 0, 255), QString("New Image")));
    }
    expectError("The width and height must be at least 1 pixel.");
    composeBackground(context, {0, 0}, 0);
    EXPECT_EQ(image.Width(), 1024) << "the image stays as it was";
}

TEST_F(Command, GeometryCommandsMirrorTurnAndResizeKeepingTheProportions) {
    flip(context, 0);  // without an image the geometry commands show nothing
    rotateQuarter(context);
    resizeToWidth(context, 640);
    load(5, 3);
    flip(context, 0);
    EXPECT_EQ(
        std::tuple(image.image().pixel(4, 1), image.image().pixel(0, 1), image.UndoCaption(0)),
        std::tuple(0xFFFF0000u, 0xFF0000FFu, QString("Flip")));
    // Rounding halves to even; too narrow an image is left alone.
    for (const auto& [from, width, to] : {std::tuple{QSize(1000, 333), 640, QSize(640, 213)},
                                          {QSize(50, 40), 640, QSize(50, 40)},
                                          {QSize(51, 40), 640, QSize(640, 502)},
                                          {QSize(1600, 5), 800, QSize(800, 2)},
                                          {QSize(1600, 3), 800, QSize(800, 2)}}) {
        load(from.width(), from.height());
        resizeToWidth(context, width);
        EXPECT_EQ(size(), to) << from.width() << " to " << width;
    }
    int turns = 0;
    const std::optional<QString> answers[] = {"45 degrees", "1",    "359",       " 3 0", "1.5",
                                              "90x",        "word", "0",         "0.5",  "360",
                                              "359.5",      "-90",  std::nullopt};
    for (const std::optional<QString>& answer : answers) {
        load(40, 20);
        prompter.expectInput("Enter degrees to rotate?  [1..359]", "Image Rotation", answer);
        rotateByAskedAngle(context);
        turns += image.UndoCount();
    }
    EXPECT_EQ(std::pair(turns, prompter.asked().back().defaultText), std::pair(6, QString()));
}

// Steps after a failure still run; the last error counts, whatever its kind.
TEST(OperationFrame, RemembersTheLastFailureOfAnyKindAndReportsItInTheCommandsStyle) {
    const imaging::Error badSize(imaging::kInvalidSize,
                                 "The width and height must be at least 1 pixel.");
    const imaging::Error noImage(imaging::kNoImage, "No image is loaded.");
    const std::tuple<ReportStyle, Reported, imaging::Error, const char*, const char*> cases[] = {
        {ReportStyle::Full, Reported::PassOver, badSize,
         "Error: -2147220832\r\n\r\nThe width and height must be at least 1 pixel.", "ImgX"},
        {ReportStyle::Short, Reported::PassOver, badSize, "Error: -2147220832", "ImgX"},
        {ReportStyle::Silent, Reported::AnyError, badSize, "", ""},
        {ReportStyle::Full, Reported::PassOver, noImage, "", ""},
        {ReportStyle::Full, Reported::AnyError, imaging::Error(7, "Disk full.", "Codec"),
         "Error: 7\r\n\r\nDisk full.", "Codec"}};
    for (const auto& [style, which, error, text, title] : cases) {
        ScriptedPrompter prompter;
        if (*text) prompter.expectMessage(text, Buttons::Ok, Icon::Exclamation, title, Answer::Ok);
        OperationFrame frame(prompter, nullptr);
        int ran = 0;
        frame.step([error = error] { throw error; });
        frame.step([&] { ++ran; });
        EXPECT_EQ(std::pair(ran, frame.report(style, which)), std::pair(1, *text != 0)) << text;
        EXPECT_FALSE(frame.lastError().has_value());
    }
    ScriptedPrompter prompter;
    OperationFrame frame(prompter, nullptr);
    frame.step([&] { throw noImage; });
    frame.step([&] { throw badSize; });
    EXPECT_EQ(frame.lastError()->number, imaging::kInvalidSize);
    EXPECT_TRUE(frame.attempt([] {}));
    EXPECT_FALSE(frame.attempt([] { throw std::bad_alloc(); }));
    EXPECT_EQ(frame.lastError()->number, imaging::kOutOfMemory);
    EXPECT_FALSE(frame.attempt([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_EQ(frame.lastError()->description, QStringLiteral("disk on fire"));
}

TEST(NumericText, ReadsWhatAPersonTypedAndWritesNumbersAsTheInformationBoxShowsThem) {
    const std::pair<const char*, double> typed[] = {
        {"  45 ", 45}, {"1 2", 12}, {"3x", 3},  {"-7", -7}, {"+8", 8}, {".5", 0.5},
        {"1D2", 100},  {"1e", 1},   {"abc", 0}, {"-", 0},   {"1,5", 1}};
    for (const auto& [text, value] : typed) EXPECT_EQ(leadingNumber(text), value) << text;
    QStringList shown;
    for (const double n : {2.5, 3.5, -0.5, 2147483647.0, 2147483648.0, double(NAN)})
        shown << QString::number(toWholeNumber(n).value_or(-1));
    for (const double ratio : {800 / 600.0, 0.75, 1.0, 1 / 3000.0})
        shown << formatRatio(ratio, QLocale::c());
    EXPECT_EQ(shown.join(' '), "2 4 0 2147483647 -1 -1 1.333 .75 1. .");
    // The numbers in the user's language; the file size only from 100 bytes.
    imaging::ImgX image;
    image.canvas().LoadFromPicture(filled({1200, 3}, Qt::white), 0);
    image.setInfo(imaging::kInfoFilePath, QStringLiteral("/pics/wide.bmp"));
    const QString head =
        "/pics/wide.bmp\r\n\r\nWidth : \t\t%1\r\nHeight :\t\t3\r\nRatio  (W/H):\t%2"
        "\r\nColors :\t\t1\r\n";
    EXPECT_EQ(imageInformationText(image, 99, QLocale(QLocale::English, QLocale::UnitedStates)),
              head.arg("1,200", "400."));
    EXPECT_EQ(imageInformationText(image, 100, QLocale(QLocale::German)),
              head.arg("1.200", "400,") + "File Size :\t\t100");
}

}  // namespace
}  // namespace operations
