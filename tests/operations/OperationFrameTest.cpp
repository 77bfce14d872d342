#include "operations/OperationFrame.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ScriptedPrompter.h"

namespace operations {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

const imaging::Error kBadSize(imaging::kInvalidSize,
                              QStringLiteral("The width and height must be at least 1 pixel."));
const imaging::Error kNoImage(imaging::kNoImage, QStringLiteral("No image is loaded."));

struct ReportCase {
    const char* name;
    ReportStyle style;
    Reported which;
    imaging::Error error;
    // Empty text: no box at all.
    QString text;
    QString title;
};

class Report : public testing::TestWithParam<ReportCase> {};

TEST_P(Report, ShowsTheRememberedErrorInTheCommandsStyle) {
    const ReportCase& c = GetParam();
    testing_support::ScriptedPrompter prompter;
    if (!c.text.isEmpty())
        prompter.expectMessage(c.text, Buttons::Ok, Icon::Exclamation, c.title, Answer::Ok);
    OperationFrame frame(prompter, nullptr);
    frame.step([&] { throw c.error; });
    EXPECT_EQ(frame.report(c.style, c.which), !c.text.isEmpty());
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_FALSE(frame.lastError().has_value()) << "a report drops the error";
}

INSTANTIATE_TEST_SUITE_P(
    Styles, Report,
    testing::Values(
        ReportCase{"Full", ReportStyle::Full, Reported::PassOver, kBadSize,
                   "Error: -2147220832\r\n\r\nThe width and height must be at least 1 pixel.",
                   "ImgX"},
        ReportCase{"Short", ReportStyle::Short, Reported::PassOver, kBadSize, "Error: -2147220832",
                   "ImgX"},
        ReportCase{"Plain", ReportStyle::Plain, Reported::PassOver, kBadSize,
                   "The width and height must be at least 1 pixel.", "Error"},
        ReportCase{"SilentDropsIt", ReportStyle::Silent, Reported::AnyError, kBadSize, "", ""},
        ReportCase{"FullPassesOverNoImage", ReportStyle::Full, Reported::PassOver, kNoImage, "",
                   ""},
        ReportCase{"ShortPassesOverNoImage", ReportStyle::Short, Reported::PassOver, kNoImage, "",
                   ""},
        ReportCase{"PlainPassesOverNoImage", ReportStyle::Plain, Reported::PassOver, kNoImage, "",
                   ""},
        ReportCase{"PlainShowsNoImageWhenAnyErrorCounts", ReportStyle::Plain, Reported::AnyError,
                   kNoImage, "No image is loaded.", "Error"},
        ReportCase{"SourceBecomesTheTitle", ReportStyle::Full, Reported::AnyError,
                   imaging::Error(7, QStringLiteral("Disk full."), QStringLiteral("Codec")),
                   "Error: 7\r\n\r\nDisk full.", "Codec"}),
    [](const testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST(OperationFrame, StepsAfterAFailureStillRunAndTheLastErrorIsReported) {
    testing_support::ScriptedPrompter prompter;
    prompter.expectMessage(QStringLiteral("Error: -2147220832"), Buttons::Ok, Icon::Exclamation,
                           QStringLiteral("ImgX"), Answer::Ok);
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
}

TEST(OperationFrame, NothingFailedShowsNothing) {
    testing_support::ScriptedPrompter prompter;
    OperationFrame frame(prompter, nullptr);
    EXPECT_TRUE(frame.attempt([] {}));
    EXPECT_FALSE(frame.report(ReportStyle::Full, Reported::AnyError));
}

TEST(OperationFrame, FailuresFromBelowTheEngineAreReportedNotLost) {
    testing_support::ScriptedPrompter prompter;
    OperationFrame frame(prompter, nullptr);
    EXPECT_FALSE(frame.attempt([] { throw std::bad_alloc(); }));
    EXPECT_EQ(frame.lastError()->number, imaging::kOutOfMemory);
    EXPECT_FALSE(frame.attempt([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_EQ(frame.lastError()->description, QStringLiteral("disk on fire"));
    EXPECT_NE(frame.lastError()->number, 0);
}

}  // namespace
}  // namespace operations
