#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUrl>
#include <optional>

#include "HostileFiles.h"
#include "PlasmaShellStandIn.h"
#include "PrivateSession.h"
#include "WallpaperTestSupport.h"
#include "rotation/wallpaper/JavaScriptString.h"
#include "rotation/wallpaper/KdeWallpaperSetter.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

namespace wallpaper_test {
namespace {

// The script for path, as Plasma would receive it from the setter.
QString scriptFor(const QString& path) {
    QStringList scripts;
    const QString problem = rotation::KdeWallpaperSetter([&](const QString& script) {
                                scripts << script;
                                return QString();
                            }).apply(path);
    EXPECT_EQ(problem, QString());
    return scripts.size() == 1 ? scripts.front() : QString();
}

// The text a JSON string literal stands for; a marker when it is not one.
QString parsedJsonString(const QString& literal) {
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(("[" + literal + "]").toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || parsed.array().size() != 1)
        return QStringLiteral("<not one JSON string: %1>").arg(literal);
    return parsed.array().at(0).toString();
}

class PlasmaScript : public ::testing::TestWithParam<NastyPath> {};

TEST_P(PlasmaScript, SetsTheImageOnEveryDesktopFromOneJsonStringLiteral) {
    const QString path = GetParam().path;
    // The URL below is percent-encoded ASCII, so the raw path shows what the escaping does.
    const QString literal = rotation::javaScriptStringLiteral(path);
    EXPECT_EQ(parsedJsonString(literal), path);
    // Plain ASCII only: old script engines end a line at U+2028/U+2029 even in a string.
    for (const QChar c : literal)
        EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f) << int(c.unicode());

    QString script = scriptFor(path);
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^var imageUrl = (.*);\n")).match(script);
    ASSERT_TRUE(line.hasMatch()) << script.toStdString();
    EXPECT_EQ(readFileUri(parsedJsonString(line.captured(1))), path);
    // Nothing but the literal depends on the path.
    EXPECT_EQ(script.replace(line.captured(1), QStringLiteral("URL")),
              "var imageUrl = URL;\n"
              "var allDesktops = desktops();\n"
              "for (var i = 0; i < allDesktops.length; i++) {\n"
              "    var desktop = allDesktops[i];\n"
              "    desktop.wallpaperPlugin = \"org.kde.image\";\n"
              "    desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
              "    desktop.writeConfig(\"Image\", imageUrl);\n"
              "}\n");
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, PlasmaScript, ::testing::ValuesIn(nastyPaths()));

// plasmashell's part played by a stand-in on a session bus of the test's own, which runs each
// script it gets with node against stand-ins of Plasma's desktops.
class PlasmaShell : public ::testing::Test {
protected:
    void SetUp() override {
        session_.emplace();
        ASSERT_EQ(session_->problem(), QString());
        plasma_.emplace(session_->busAddress());
        ASSERT_EQ(plasma_->problem(), QString());
        files_ = writeHostileFiles(session_->filesFolder());
    }
    void TearDown() override {
        plasma_.reset();
        session_.reset();
    }

    // The next script Plasma ran, once it has; nothing at the deadline.
    std::optional<PlasmaShellStandIn::Evaluation> nextEvaluation() {
        const size_t next = evaluated_++;
        std::vector<PlasmaShellStandIn::Evaluation> evaluations;
        pollUntil([&] { return (evaluations = plasma_->evaluations()).size() > next; });
        if (evaluations.size() <= next) return std::nullopt;
        return evaluations[next];
    }

    std::optional<PrivateSession> session_;
    std::optional<PlasmaShellStandIn> plasma_;
    std::vector<HostileFile> files_;
    size_t evaluated_ = 0;
};

// The setter the program makes, on the session bus the program finds. Qt connects to that bus
// once per process and keeps the connection, so no other test here may use it.
TEST_F(PlasmaShell, EveryDesktopShowsEveryHostileImage) {
    const auto setter = rotation::makeWallpaperSetter(QStringLiteral("kde"),
                                                      QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(setter);
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter->apply(file.path), QString());
        const std::optional<PlasmaShellStandIn::Evaluation> evaluation = nextEvaluation();
        ASSERT_TRUE(evaluation) << "the script never reached plasmashell";
        // Exactly the script of the unit test above arrived, through a real bus.
        EXPECT_EQ(evaluation->script, scriptFor(file.path));
        ASSERT_EQ(evaluation->error, QString()) << evaluation->script.toStdString();
        const QJsonArray writes = QJsonDocument::fromJson(evaluation->configWrites).array();
        ASSERT_EQ(writes.size(), 3) << evaluation->configWrites.toStdString();
        for (qsizetype i = 0; i < writes.size(); ++i) {
            const QJsonObject write = writes[i].toObject();
            EXPECT_EQ(write[QStringLiteral("desktop")].toInteger(), i);
            EXPECT_EQ(write[QStringLiteral("plugin")].toString(), QStringLiteral("org.kde.image"));
            EXPECT_EQ(write[QStringLiteral("group")].toVariant().toStringList(),
                      (QStringList{"Wallpaper", "org.kde.image", "General"}));
            EXPECT_EQ(write[QStringLiteral("key")].toString(), QStringLiteral("Image"));
            // Plasma's image plugin reads the value as a URL.
            ASSERT_TRUE(write[QStringLiteral("value")].isString());
            const QUrl url(write[QStringLiteral("value")].toString(), QUrl::StrictMode);
            EXPECT_TRUE(url.isLocalFile()) << url.toString().toStdString();
            EXPECT_EQ(url.toLocalFile(), file.path);
        }
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

TEST_F(PlasmaShell, APlasmaThatIsNotRunningIsReported) {
    const QString connectionName = QStringLiteral("quorvane-to-plasma");
    const QDBusConnection bus =
        QDBusConnection::connectToBus(session_->busAddress(), connectionName);
    rotation::KdeWallpaperSetter setter(
        [&](const QString& script) { return rotation::sendScriptToPlasmaShell(bus, script); });
    plasma_.reset();
    EXPECT_EQ(setter.apply(files_.front().path),
              QStringLiteral("Plasma (org.kde.plasmashell) is not running on the session bus."));
    QDBusConnection::disconnectFromBus(connectionName);
}

}  // namespace
}  // namespace wallpaper_test
