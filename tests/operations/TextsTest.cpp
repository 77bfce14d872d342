#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/ImageInformation.h"
#include "operations/NumericText.h"

namespace operations {
namespace {

struct NumberCase {
    const char* text;
    double value;
};

class LeadingNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumber, ReadsWhatAPersonTyped) {
    EXPECT_EQ(leadingNumber(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumber,
    testing::Values(NumberCase{"2", 2}, NumberCase{"  45 ", 45}, NumberCase{"1 2", 12},
                    NumberCase{"3x", 3}, NumberCase{"-7", -7}, NumberCase{"+8", 8},
                    NumberCase{"2.5", 2.5}, NumberCase{".5", 0.5}, NumberCase{"1e2", 100},
                    NumberCase{"1D2", 100}, NumberCase{"1e", 1}, NumberCase{"abc", 0},
                    NumberCase{"", 0}, NumberCase{"-", 0}, NumberCase{"1,5", 1}));

TEST(WholeNumber, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(toWholeNumber(2.5), 2);
    EXPECT_EQ(toWholeNumber(3.5), 4);
    EXPECT_EQ(toWholeNumber(-0.5), 0);
    EXPECT_EQ(toWholeNumber(2147483647.0), 2147483647);
    EXPECT_EQ(toWholeNumber(2147483648.0), std::nullopt);
    EXPECT_EQ(toWholeNumber(leadingNumber("1e400")), std::nullopt);
    EXPECT_EQ(toWholeNumber(NAN), std::nullopt);
}

struct RatioCase {
    int width, height;
    const char* text;
};

class Ratio : public testing::TestWithParam<RatioCase> {};

TEST_P(Ratio, HasAtMostThreeDecimalsAndNoNeedlessZeros) {
    const RatioCase c = GetParam();
    EXPECT_EQ(formatRatio(double(c.width) / c.height, QLocale::c()), c.text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Ratio,
                         testing::Values(RatioCase{800, 600, "1.333"}, RatioCase{600, 800, ".75"},
                                         RatioCase{500, 500, "1."}, RatioCase{1000, 3, "333.333"},
                                         RatioCase{3, 1000, ".003"}, RatioCase{1, 3000, "."}));

TEST(ImageInformation, ListsTheImageAndItsFileSizeFrom100Bytes) {
    imaging::ImgX image;
    QImage picture(1200, 3, QImage::Format_RGB32);
    picture.fill(Qt::white);
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
