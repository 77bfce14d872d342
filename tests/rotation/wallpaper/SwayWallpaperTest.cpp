#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>

#include "SwayCommandModel.h"
#include "SwayTestNames.h"
#include "rotation/wallpaper/SwayWallpaperSetter.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace wallpaper_test {
namespace {

using Calls = std::vector<std::pair<QString, QStringList>>;

// What swaymsg 1.7 printed when sway took a command.
const QByteArray kTaken = "[\n  {\n    \"success\": true\n  }\n]\n";

// What swaymsg would hand back after running to its end.
platform::ProcessResult finished(int exitCode, const QByteArray& output,
                                 const QByteArray& errors = {}) {
    platform::ProcessResult result;
    result.started = true;
    result.exitCode = exitCode;
    result.standardOutput = output;
    result.standardError = errors;
    return result;
}

struct Change {
    QString problem;
    Calls calls;
};

// Applies the path with a runner that notes every program and gives each the same answer.
Change applyNoted(const QString& path,
                  const platform::ProcessResult& answer = finished(0, kTaken)) {
    Change change;
    change.problem = rotation::SwayWallpaperSetter([&](const QString& program,
                                                       const QStringList& arguments, int) {
                         change.calls.push_back({program, arguments});
                         return answer;
                     }).apply(path);
    return change;
}

// The path swaybg would get for the swaymsg call, read the way sway 1.7 reads it.
std::optional<QString> swaybgPath(const Calls& calls) {
    if (calls.size() != 1 || calls.front().first != QStringLiteral("swaymsg")) return std::nullopt;
    const std::optional<QByteArray> path =
        swayBackgroundPath(calls.front().second.join(' ').toUtf8());
    return path ? std::optional(QString::fromUtf8(*path)) : std::nullopt;
}

class SwayNames : public ::testing::TestWithParam<SwayTestName> {
protected:
    testing_support::TempFolder folder;
};

TEST_P(SwayNames, ReachSwaybgExactlyOrAreRefusedBeforeAnythingRuns) {
    QDir(folder.path()).mkdir(swayTestFolderName());
    const QString path =
        folder.write(swayTestFolderName() + QLatin1Char('/') + GetParam().name, "image");
    ASSERT_TRUE(QFileInfo::exists(path));

    const Change change = applyNoted(path);

    if (GetParam().carried) {
        EXPECT_EQ(change.problem, QString());
        ASSERT_EQ(change.calls.size(), 1u);
        const QStringList& arguments = change.calls.front().second;
        ASSERT_EQ(arguments.size(), 5);
        EXPECT_EQ(arguments.first(3), (QStringList{"output", "*", "bg"}));
        EXPECT_EQ(arguments.last(), QStringLiteral("fill"));
        EXPECT_EQ(swaybgPath(change.calls), path) << arguments[3].toStdString();
    } else {
        EXPECT_EQ(change.problem, QStringLiteral("The image path contains a line break, which a "
                                                 "sway command cannot carry."));
        EXPECT_EQ(change.calls, Calls());
    }
}

INSTANTIATE_TEST_SUITE_P(wallpaper_sway, SwayNames, ::testing::ValuesIn(swayTestNames()));

// sway opens a relative path from its own working folder.
TEST(SwayWallpaper, GivesSwayTheAbsolutePathOfARelativeOne) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("picture.png"), "image");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    const Change change = applyNoted(QStringLiteral("picture.png"));
    QDir::setCurrent(previous);

    EXPECT_EQ(change.problem, QString());
    EXPECT_EQ(swaybgPath(change.calls), path);
}

// sway would answer "success" for it and keep its old background.
TEST(SwayWallpaper, ReportsAMissingFileWithoutRunningAnything) {
    testing_support::TempFolder folder;
    const QString missing = folder.filePath(QStringLiteral("gone.png"));
    const Change change = applyNoted(missing);
    EXPECT_EQ(change.problem, QStringLiteral("The image \"%1\" does not exist.").arg(missing));
    EXPECT_EQ(change.calls, Calls());
}

struct SwaymsgOutcome {
    const char* label;
    platform::ProcessResult result;
    const char* problem;
};

void PrintTo(const SwaymsgOutcome& outcome, std::ostream* out) { *out << outcome.label; }

class SwaymsgOutcomes : public ::testing::TestWithParam<SwaymsgOutcome> {};

TEST_P(SwaymsgOutcomes, TellTheUserWhySwayKeptItsBackground) {
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("picture.png"), "image");
    EXPECT_EQ(applyNoted(path, GetParam().result).problem, QString::fromUtf8(GetParam().problem));
}

// What swaymsg 1.7 printed in each case.
INSTANTIATE_TEST_SUITE_P(
    wallpaper_sway, SwaymsgOutcomes,
    ::testing::Values(
        SwaymsgOutcome{"not_installed", {}, "swaymsg could not be started: is it installed?"},
        SwaymsgOutcome{"refused",
                       finished(2,
                                "[\n  {\n    \"success\": false,\n    \"parse_error\": "
                                "true,\n    \"error\": \"Invalid syntax (\\/x()\"\n  }\n]\n"),
                       "sway refused the background: Invalid syntax (/x()"},
        SwaymsgOutcome{"no_sway",
                       finished(1, {},
                                "00:00:00.000 [ERROR] [common/ipc-client.c:67] Unable to "
                                "connect to /run/user/1000/sway-ipc.1000.977.sock\n"),
                       "swaymsg failed (exit status 1): Unable to connect to "
                       "/run/user/1000/sway-ipc.1000.977.sock"}));

}  // namespace
}  // namespace wallpaper_test
