#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimer>

#include "WallpaperTestSupport.h"
#include "rotation/wallpaper/JavaScriptString.h"
#include "rotation/wallpaper/KdeWallpaperSetter.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace wallpaper_test {
namespace {

// The script for path, as Plasma would receive it from the setter.
QString scriptFor(const QString& path) {
    QStringList scripts;
    rotation::KdeWallpaperSetter([&](const QString& script) { scripts << script; }).apply(path);
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

// Stands in for plasmashell on a private bus.
class FakePlasmaShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    QStringList scripts;

signals:
    void evaluated();

public slots:
    void evaluateScript(const QString& script) {
        scripts << script;
        emit evaluated();
    }
};

TEST(wallpaper_plasma_script, ReachesPlasmaShellsEvaluateScriptOverDBus) {
    testing_support::TempFolder folder;
    TestServer bus("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                   "--address=unix:dir=" + folder.path()});
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon is needed";
    QDBusConnection plasmaSide = QDBusConnection::connectToBus(bus.address(), "fake-plasma");
    QDBusConnection ourSide = QDBusConnection::connectToBus(bus.address(), "quorvane");
    FakePlasmaShell plasma;
    ASSERT_TRUE(
        plasmaSide.registerObject("/PlasmaShell", &plasma, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(plasmaSide.registerService("org.kde.plasmashell"));
    QEventLoop untilEvaluated;
    QObject::connect(&plasma, &FakePlasmaShell::evaluated, &untilEvaluated, &QEventLoop::quit);
    // A guard against a hang, not a measurement: delivery normally takes milliseconds.
    QTimer::singleShot(60000, &untilEvaluated, &QEventLoop::quit);

    const QString path = QString::fromUtf8("/home/user/Fotos/Ähre \"東京\".bmp");
    rotation::KdeWallpaperSetter([&](const QString& script) {
        rotation::sendScriptToPlasmaShell(ourSide, script);
    }).apply(path);
    untilEvaluated.exec();

    EXPECT_EQ(plasma.scripts, QStringList{scriptFor(path)});
    QDBusConnection::disconnectFromBus("fake-plasma");
    QDBusConnection::disconnectFromBus("quorvane");
}

}  // namespace
}  // namespace wallpaper_test

#include "KdeWallpaperTest.moc"
