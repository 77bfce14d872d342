#include <QDBusConnection>
#include <QDBusError>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QUrl>

#include "rotation/wallpaper/JavaScriptString.h"
#include "rotation/wallpaper/KdeWallpaperSetter.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/DesktopSession.h"
#include "support/HostileNames.h"
#include "support/PlasmaShell.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"

// Every desktop backend against the real desktop's components, each started in a session of
// the test's own: what the desktop keeps (read back with its own tools) and, where it draws on
// an X display, what the screen shows, for every hostile file name.

namespace wallpaper_test {

using namespace testing_support;

namespace {

// A GVariant string literal as gsettings prints it ('...' or "...", with \-escapes), read by
// Python's parser, which takes the same escapes, rather than by anything of ours.
QString readGVariantString(const QString& literal) {
    return programOutput("python3",
                         {"-c", "import ast, sys; print(ast.literal_eval(sys.argv[1]))", literal});
}

// A key of GSettings must name the file: as a file:// URI that GIO, which the desktops open
// their pictures with, resolves to it, or as the plain path.
void expectGSettingsKey(const char* schema, const QString& key, const HostileFile& file) {
    SCOPED_TRACE(key.toStdString());
    const QString value = readGVariantString(programOutput("gsettings", {"get", schema, key}));
    if (!key.contains("uri")) {
        EXPECT_EQ(value, file.path);
        return;
    }
    EXPECT_EQ(QUrl(value, QUrl::StrictMode).toLocalFile(), file.path) << value.toStdString();
    EXPECT_EQ(programOutput("gio", {"info", "-a", "standard::size", value})
                  .section("standard::size: ", 1),
              QString::number(QFileInfo(file.path).size()));
}

QString xfconf(const QStringList& arguments) {
    return programOutput("xfconf-query", QStringList{"-c", "xfce4-desktop"} + arguments);
}

const QString kXfce = "/backdrop/screen0/monitor%1/workspace%2/";
const QStringList kXfceImages = {kXfce.arg("HDMI-1", "0") + "last-image",
                                 kXfce.arg("HDMI-1", "1") + "last-image",
                                 kXfce.arg("eDP-1", "0") + "last-image"};
const QString kXfceStyle = kXfce.arg("eDP-1", "0") + "image-style";
const QString kXfceFirstMonitor = kXfce.arg("0", "0") + "last-image";

void expectBackground(DesktopSession& session, const HostileFile& file) {
    // One image that never shows would otherwise cost every later one the whole deadline.
    ASSERT_TRUE(session.showsBackground(file.colour)) << session.report().toStdString();
}

struct Desktop {
    const char* backend;
    // Brings up the desktop's components; empty when they run, else why not.
    std::function<QString(DesktopSession&)> start;
    // Expects the desktop to hold, and show, exactly the file just applied.
    std::function<void(DesktopSession&, const HostileFile&)> expectShowing;
    const char* command = nullptr;  // QUORVANE_WALLPAPER_CMD; %o: the file its arguments go to
};

void PrintTo(const Desktop& desktop, std::ostream* out) { *out << desktop.backend; }

QString startDconf(DesktopSession& session) { return session.startOwnerOf("ca.desrt.dconf"); }

const Desktop kDesktops[] = {
    {"gnome", startDconf,
     [](DesktopSession&, const HostileFile& file) {
         expectGSettingsKey("org.gnome.desktop.background", "picture-uri", file);
         expectGSettingsKey("org.gnome.desktop.background", "picture-uri-dark", file);
     }},
    {"cinnamon", startDconf,
     [](DesktopSession&, const HostileFile& file) {
         expectGSettingsKey("org.cinnamon.desktop.background", "picture-uri", file);
     }},
    {"mate", startDconf,
     [](DesktopSession&, const HostileFile& file) {
         expectGSettingsKey("org.mate.background", "picture-filename", file);
     }},
    // xfdesktop names its monitor by the X output ("monitorscreen" on Xvfb) and writes its
    // own last-image once it runs; the other monitors' images and a style stand beside it.
    {"xfce",
     [](DesktopSession& session) {
         // One after the other: the operands of + are evaluated in no fixed order.
         QString problem = session.startOwnerOf("org.xfce.Xfconf");
         problem += session.startDisplay({320, 240});
         for (const QString& image : kXfceImages)
             problem += xfconf({"-p", image, "-n", "-t", "string", "-s", "/usr/share/old.png"});
         problem += xfconf({"-p", kXfceStyle, "-n", "-t", "int", "-s", "5"});
         if (problem.isEmpty())
             problem =
                 session.startOwnerOf("org.xfce.xfdesktop", {"xfdesktop", "--disable-wm-check"});
         if (problem.isEmpty() && !waitFor([] { return xfconf({"-l"}).count("last-image") > 3; }))
             problem = "xfdesktop wrote no last-image";
         return problem;
     },
     [](DesktopSession& session, const HostileFile& file) {
         const QStringList images = xfconf({"-l"}).split(u'\n').filter("/last-image");
         EXPECT_EQ(images.size(), 4) << images.join(u' ').toStdString();
         for (const QString& image : images)
             EXPECT_EQ(xfconf({"-p", image}), file.path) << image.toStdString();
         EXPECT_EQ(xfconf({"-p", kXfceStyle}), "5");
         expectBackground(session, file);
     }},
    // A fresh session has no image yet: the first monitor's is created.
    {"xfce", [](DesktopSession& s) { return s.startOwnerOf("org.xfce.Xfconf"); },
     [](DesktopSession&, const HostileFile& file) {
         EXPECT_EQ(xfconf({"-l"}), kXfceFirstMonitor);
         EXPECT_EQ(xfconf({"-p", kXfceFirstMonitor}), file.path);
         xfconf({"-p", "/backdrop", "-r", "-R"});
     }},
    // As startlxqt runs it: Debian's lxqt profile under /usr/share stretches the wallpaper.
    {"lxqt",
     [](DesktopSession& session) {
         session.setVariable("XDG_CONFIG_DIRS", "/etc:/etc/xdg:/usr/share");
         const QString problem = session.startDisplay({320, 240});
         return !problem.isEmpty()
                    ? problem
                    : session.startOwnerOf("org.pcmanfm.PCManFM",
                                           {"pcmanfm-qt", "--desktop", "--profile=lxqt"});
     },
     [](DesktopSession& session, const HostileFile& file) {
         expectBackground(session, file);
         const auto kept = [&] {
             return QSettings(session.folder("config/pcmanfm-qt/lxqt/settings.conf"),
                              QSettings::IniFormat)
                 .value("Desktop/Wallpaper")
                 .toString();
         };
         waitFor([&] { return kept() == file.path; });
         EXPECT_EQ(kept(), file.path) << "kept for the next login";
     }},
    // The real Plasma, its widgets locked as a user locks them, which leaves the wallpaper
    // free: what each desktop keeps, and the screen.
    {"kde",
     [](DesktopSession& session) {
         const QString absent = "Plasma (org.kde.plasmashell) is not running on the session bus.";
         if (const QString said = rotation::KdeWallpaperSetter().apply("/a.png"); said != absent)
             return "Without Plasma: " + said;
         QString problem = session.startDisplay({320, 240});
         if (problem.isEmpty()) problem = startPlasma(session, 1);
         return problem.isEmpty() ? plasmaScript("__AppInterface.locked = true") : problem;
     },
     [](DesktopSession& session, const HostileFile& file) {
         expectBackground(session, file);
         const QString kept = plasmaScript(
             "var d = desktops(); for (var i = 0; i < d.length; i++) {"
             " d[i].currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];"
             " print(d[i].readConfig('Image') + ' '); }");
         EXPECT_EQ(QUrl(kept.trimmed(), QUrl::StrictMode).toLocalFile(), file.path)
             << kept.toStdString();
     }},
    {"command", [](DesktopSession&) { return QString(); },
     [](DesktopSession& session, const HostileFile& file) {
         const QByteArray path = file.path.toUtf8();
         EXPECT_EQ(fileBytes(session.folder("files/arguments")).split('\0'),
                   (QList<QByteArray>{path, "--image=" + path, path + " and " + path, {}}));
     },
     "python3 -c \"import os, sys; open(sys.argv[1], 'wb').write(b''.join(os.fsencode(a) + "
     "bytes(1) for a in sys.argv[2:]))\" \"%o\" %f --image=%f \"%f and %f\""},
};

class Desktops : public ::testing::TestWithParam<Desktop> {};

TEST_P(Desktops, HoldAndShowEveryHostileFileExactly) {
    const Desktop& desktop = GetParam();
    DesktopSession session;
    ASSERT_EQ(session.problem(), QString());
    ASSERT_EQ(desktop.start(session), QString()) << "scripts/install-deps.sh installs them";
    if (desktop.command)
        session.setVariable(
            "QUORVANE_WALLPAPER_CMD",
            QString::fromUtf8(desktop.command).replace("%o", session.folder("files/arguments")));
    const auto setter = rotation::makeWallpaperSetter(desktop.command ? "" : desktop.backend,
                                                      QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(setter);
    for (const HostileFile& file : session.writeHostileFiles()) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter->apply(file.path), QString());
        desktop.expectShowing(session, file);
        if (::testing::Test::HasFatalFailure()) break;
    }
    EXPECT_EQ(session.pwnedFiles(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(, Desktops, ::testing::ValuesIn(kDesktops), [](const auto& info) {
    return std::string(info.param.backend) + std::to_string(info.index);
});

// Plasma reads the URL from a script literal; old script engines end a line at U+2028 even
// inside a string, so the literal is plain ASCII that JSON reads back as the very text.
TEST(PlasmaScript, LiteralsArePlainAsciiJsonOfEveryHostileName) {
    for (const testsupport::HostileName& hostile : testsupport::hostileNames()) {
        SCOPED_TRACE(hostile.label);
        const QString literal = rotation::javaScriptStringLiteral(hostile.name);
        for (const QChar c : literal) EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() < 0x7f);
        EXPECT_EQ(QJsonDocument::fromJson(("[" + literal + "]").toUtf8()).array().at(0).toString(),
                  hostile.name);
    }
}

// Plasma shows a picture rewritten under its old name anew; a desktop a policy locks says so
// in Plasma's words.
TEST(RealPlasma, ShowsAPictureRewrittenInPlaceAndSaysWhenAPolicyLocksTheDesktop) {
    for (const bool locked : {false, true}) {
        DesktopSession session;
        ASSERT_EQ(session.problem() + session.startDisplay({320, 240}), QString());
        ASSERT_EQ(startPlasma(session, 1,
                              locked ? "[KDE Action Restrictions][$i]\n"
                                       "plasma/plasmashell/unlockedDesktop=false\n"
                                     : ""),
                  QString());
        const std::vector<HostileFile> files = session.writeHostileFiles();
        // A bus connection of this session's own: the process's first one is the last's.
        rotation::KdeWallpaperSetter plasma([locked](const QString& script) {
            return rotation::sendScriptToPlasmaShell(
                QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                              locked ? "locked" : "free"),
                script);
        });
        if (locked) {
            EXPECT_EQ(plasma.apply(files[0].path),
                      "Plasma did not take the wallpaper: Widgets are locked");
            continue;
        }
        ASSERT_EQ(plasma.apply(files[0].path), QString());
        expectBackground(session, files[0]);
        ASSERT_TRUE(QFile::remove(files[0].path) && QFile::copy(files[1].path, files[0].path));
        EXPECT_EQ(plasma.apply(files[0].path), QString());
        expectBackground(session, files[1]);
    }
}

}  // namespace
}  // namespace wallpaper_test
