#include "Decoders.h"
#include "NastyPaths.h"
#include "TestServer.h"
#include "rotation/wallpaper/JavaScriptString.h"
#include "rotation/wallpaper/KdeWallpaperSetter.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimer>

namespace wallpaper_test {
namespace {

const QRegularExpression kUrlLine(QStringLiteral("^var imageUrl = (.*);$"),
                                  QRegularExpression::MultilineOption);

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

// The URL is percent-encoded ASCII, so the raw path shows what the escaping itself does.
TEST_P(PlasmaScript, StringLiteralsKeepAnyTextIntact) {
    const QString literal = rotation::javaScriptStringLiteral(GetParam().path);

    EXPECT_EQ(parsedJsonString(literal), GetParam().path);
    // Plain ASCII only: old script engines end a line at U+2028/U+2029 even in a string.
    for (const QChar c : literal)
        EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f) << int(c.unicode());
}

TEST_P(PlasmaScript, CarriesTheUrlAsOneJsonStringLiteral) {
    const QString path = GetParam().path;
    const QString script = scriptFor(path);

    const QRegularExpressionMatch line = kUrlLine.match(script);
    ASSERT_TRUE(line.hasMatch()) << script.toStdString();
    const QString literal = line.captured(1);
    EXPECT_EQ(readFileUri(parsedJsonString(literal)), path);

    // Nothing but the literal depends on the path.
    QString rest = script;
    rest.replace(literal, QStringLiteral("URL"));
    QString plain = scriptFor(QStringLiteral("/plain.png"));
    plain.replace(kUrlLine.match(plain).captured(1), QStringLiteral("URL"));
    EXPECT_EQ(rest, plain);
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, PlasmaScript, ::testing::ValuesIn(nastyPaths()));

TEST(wallpaper_plasma_script, ShowsTheImageWithTheImagePluginOnEveryDesktop) {
    const QString script = scriptFor(QStringLiteral("/a.png"));

    EXPECT_TRUE(script.contains(QStringLiteral("desktops()")));
    EXPECT_TRUE(script.contains(QStringLiteral(".wallpaperPlugin = \"org.kde.image\";")));
    EXPECT_TRUE(script.contains(
        QStringLiteral(".currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];")));
    EXPECT_TRUE(script.contains(QStringLiteral(".writeConfig(\"Image\", imageUrl);")));
}

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
    TestServer bus(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1"),
                    QStringLiteral("--address=unix:dir=") + folder.path()});
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon is needed";
    QDBusConnection plasmaSide = QDBusConnection::connectToBus(bus.address(), "fake-plasma");
    QDBusConnection ourSide = QDBusConnection::connectToBus(bus.address(), "quorvane");
    FakePlasmaShell plasma;
    ASSERT_TRUE(plasmaSide.registerObject(QStringLiteral("/PlasmaShell"), &plasma,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(plasmaSide.registerService(QStringLiteral("org.kde.plasmashell")));
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
