#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <optional>

#include "HeadlessSway.h"
#include "SwayTestNames.h"
#include "rotation/wallpaper/SwayWallpaperSetter.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

// Paths as C-style escaped text in failure messages: they hold tabs and carriage returns.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            *out << c;
        } else {
            *out << "\\x" << QByteArray(1, c).toHex().constData();
        }
    }
    *out << '"';
}

namespace wallpaper_test {
namespace {

// The arguments of every swaybg a sway runs.
using Swaybgs = QList<QByteArrayList>;

// wlroots' headless output.
constexpr int kOutputWidth = 1280, kOutputHeight = 720;
const QByteArrayList kBlack = {"swaybg", "-o", "*", "-c", "#000000"};
// Variables as a user's config defines them: a path that let sway substitute one would
// name another file.
const QString kUserVariables =
    QStringLiteral("set $mod Mod4\nset $x /substituted\nset $HOME /substituted-home");
const QString kLineBreakProblem =
    QStringLiteral("The image path contains a line break, which a sway command cannot carry.");

// The real program runner, noting the name of every program it starts.
rotation::ProgramRunner startingFor(QStringList& started) {
    return [&started](const QString& program, const QStringList& arguments, int timeoutMs) {
        started << program;
        return platform::runProgram(program, arguments, timeoutMs);
    };
}

// A colour of the test's own, never the black sway starts with.
QRgb colourOf(const char* label) {
    const quint16 sum = qChecksum(QByteArrayView(label));
    return qRgb(sum & 0xff, sum >> 8, 0x80);
}

qsizetype pixelsOtherThan(const QImage& image, QRgb colour) {
    qsizetype others = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) others += image.pixel(x, y) != colour;
    return others;
}

// Every file called "pwned" below root, hidden folders included.
QStringList pwnedFiles(const QString& root) {
    QStringList found;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        if (entries.fileName() == QStringLiteral("pwned")) found << entries.filePath();
    }
    return found;
}

// Sets SWAYSOCK for the programs this test starts and puts the old value back afterwards.
class SwaySocketVariable {
public:
    explicit SwaySocketVariable(const QString& socket) : previous_(qgetenv("SWAYSOCK")) {
        qputenv("SWAYSOCK", QFile::encodeName(socket));
    }
    ~SwaySocketVariable() {
        if (previous_.isNull()) {
            qunsetenv("SWAYSOCK");
        } else {
            qputenv("SWAYSOCK", previous_);
        }
    }

private:
    QByteArray previous_;
};

class SwayBackground : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"sway", "swaybg", "swaymsg", "grim", "setpriv"}) {
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                << program << " is not installed; scripts/install-deps.sh installs it";
        }
        sway_.emplace(folder_.path(), kUserVariables);
        if (!sway_->problem().isEmpty()) GTEST_SKIP() << sway_->problem().toStdString();
        socketVariable_.emplace(sway_->socket());
        ASSERT_EQ(sway_->awaitSwaybg(kBlack), Swaybgs{kBlack})
            << "sway starts with a black background";
    }

    // A solid image of the output's size, so swaybg shows it pixel for pixel, in the
    // hostile folder; everything readable to the user sway runs as.
    QString writeImage(const QString& name, QRgb colour) {
        const QString folder = folder_.filePath(swayTestFolderName());
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
        QImage image(kOutputWidth, kOutputHeight, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder + QLatin1Char('/') + name;
        image.save(path, "PNG");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        return path;
    }

    // Declared first, so that sway has stopped before its folders go.
    testing_support::TempFolder folder_;
    std::optional<HeadlessSway> sway_;
    std::optional<SwaySocketVariable> socketVariable_;
};

class SwayBackgroundNames : public SwayBackground,
                            public ::testing::WithParamInterface<SwayTestName> {};

TEST_P(SwayBackgroundNames, ShowTheImageOrAreRefusedAndNeverRunAnything) {
    const SwayTestName& name = GetParam();
    const QRgb colour = colourOf(name.label);
    const QString path = writeImage(name.name, colour);
    ASSERT_TRUE(QFileInfo::exists(path));

    QStringList started;
    const QString problem = rotation::SwayWallpaperSetter(startingFor(started)).apply(path);

    if (name.carried) {
        EXPECT_EQ(problem, QString());
        const QByteArrayList swaybg = {"swaybg", "-o",  "*", "-i", QFile::encodeName(path),
                                       "-m",     "fill"};
        EXPECT_EQ(sway_->awaitSwaybg(swaybg), Swaybgs{swaybg});
        const QImage shown = sway_->awaitScreen(colour);
        EXPECT_EQ(shown.width(), kOutputWidth);
        EXPECT_EQ(shown.height(), kOutputHeight);
        EXPECT_EQ(pixelsOtherThan(shown, colour), 0) << "the output shows the image's colour";
    } else {
        EXPECT_EQ(problem, kLineBreakProblem);
        EXPECT_EQ(started, QStringList());
        EXPECT_EQ(sway_->awaitSwaybg(kBlack), Swaybgs{kBlack});
    }
    EXPECT_EQ(pwnedFiles(folder_.path()), QStringList());
    EXPECT_TRUE(sway_->workingFolder().startsWith(folder_.path()));
}

INSTANTIATE_TEST_SUITE_P(wallpaper_sway, SwayBackgroundNames, ::testing::ValuesIn(swayTestNames()));

// sway answers "success" for a file it cannot find and keeps its background, so the
// backend looks for the file itself.
TEST_F(SwayBackground, AMissingFileIsReportedThoughSwayWouldClaimSuccess) {
    const QString missing = folder_.filePath(QStringLiteral("missing.png"));
    const platform::ProcessResult answer = platform::runProgram(
        QStringLiteral("swaymsg"), {"output", "*", "bg", missing, "fill"}, 5000);
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_TRUE(QJsonDocument::fromJson(answer.standardOutput)
                    .array()
                    .first()
                    .toObject()
                    .value(QStringLiteral("success"))
                    .toBool());
    EXPECT_EQ(sway_->awaitSwaybg(kBlack), Swaybgs{kBlack});

    QStringList started;
    EXPECT_EQ(rotation::SwayWallpaperSetter(startingFor(started)).apply(missing),
              QStringLiteral("The image \"%1\" does not exist.").arg(missing));
    EXPECT_EQ(started, QStringList());
}

// When sway refuses the command, its own reason reaches the user. A path quoted the way
// this backend never does provokes one: a bare '(' is a syntax error to wordexp().
TEST_F(SwayBackground, ARefusalCarriesSwaysOwnReason) {
    const QString path = writeImage(QStringLiteral("picture.png"), colourOf("refusal"));
    const QString bare = folder_.filePath(QStringLiteral("picture("));
    const rotation::ProgramRunner quotingNothing = [&](const QString& program,
                                                       QStringList arguments, int timeoutMs) {
        arguments[3] = bare;
        return platform::runProgram(program, arguments, timeoutMs);
    };
    EXPECT_EQ(rotation::SwayWallpaperSetter(quotingNothing).apply(path),
              QStringLiteral("sway refused the background: Invalid syntax (%1)").arg(bare));
    EXPECT_EQ(sway_->awaitSwaybg(kBlack), Swaybgs{kBlack});
}

TEST(SwayWithoutSway, SaysSwaymsgCouldNotConnect) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty())
        << "swaymsg is not installed; scripts/install-deps.sh installs it";
    testing_support::TempFolder folder;
    const QString path = folder.write(QStringLiteral("picture.png"), "image");
    const QString socket = folder.filePath(QStringLiteral("no sway here.sock"));
    const SwaySocketVariable variable(socket);
    EXPECT_EQ(
        rotation::SwayWallpaperSetter().apply(path),
        QStringLiteral("swaymsg failed (exit status 1): Unable to connect to %1").arg(socket));
}

}  // namespace
}  // namespace wallpaper_test
