#include <QDataStream>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QtEndian>

#include "e2e/Journey.h"
#include "support/HeadlessSway.h"
#include "support/ImageFiles.h"

// The program as a native Wayland client on a real compositor: sway, headless, with waybar
// hosting its notification-area item. Titles come from sway's tree, keys and clicks through
// wayvnc (a seat's real keyboard and pointer), and the item and its menu are driven over
// D-Bus as a host drives them: every item of the menu, the pause it holds, the log-in entry.
namespace e2e {
namespace {

using testing_support::programOutput;
using testing_support::StoredRecord;

constexpr int kTickMs = 150;

// The preview shows a half-red, half-blue picture of the box's proportions.
bool showsPicture(const QImage& screen, const QRect& preview) {
    for (int y = preview.top(); y <= preview.bottom(); ++y)
        for (int dx = 0; dx < preview.width() * 2 / 5; ++dx)
            if (screen.pixel(preview.left() + dx, y) != testing_support::kLeftColour.rgb() ||
                screen.pixel(preview.right() - dx, y) != testing_support::kRightColour.rgb())
                return false;
    return true;
}

// An RFB client of wayvnc's socket: key events by X keysym, pointer events by button mask.
class VncInput {
public:
    bool connect(const QString& path) {
        socket_.abort();
        socket_.connectToServer(path);
        QByteArray init;
        // Version, the "None" security type and its result, then the server's name.
        const bool ready = socket_.waitForConnected(kDeadlineMs) && read(12) &&
                           write("RFB 003.008\n") && read(2) && write("\1") && read(4) &&
                           write("\1") && read(24, &init);
        return ready && read(int(qFromBigEndian<quint32>(init.constData() + 20)));
    }
    // "alt+n", "Return", one character, or a text typed as it stands.
    bool keys(const QString& names) {
        static const QMap<QString, quint32> named = {
            {"alt", 0xffe9}, {"Return", 0xff0d}, {"Escape", 0xff1b}};
        if (names.size() > 1 && !names.contains('+') && !named.contains(names))
            return std::all_of(names.begin(), names.end(), [&](QChar c) { return keys(c); });
        QList<quint32> held;
        for (const QString& name : names.split('+'))
            held << named.value(name, name.size() == 1 ? name[0].unicode() : 0);
        bool sent = !held.contains(0);
        for (quint32 key : held) sent = sent && send(quint8(4), quint8(1), quint16(0), key);
        for (auto key = held.crbegin(); key != held.crend(); ++key)
            sent = sent && send(quint8(4), quint8(0), quint16(0), *key);
        return sent;
    }
    bool click(QPoint at, int count = 1) {
        const auto pointer = [&](quint8 buttons) {
            return send(quint8(5), buttons, quint16(at.x()), quint16(at.y()));
        };
        bool sent = pointer(0);
        for (int i = 0; i < count; ++i) {
            sent = sent && pointer(1) && pointer(0);
            QThread::msleep(30);  // apart in time, as a hand's clicks are
        }
        // Then out of the way: the compositor draws the pointer into what it shows.
        return sent && send(quint8(5), quint8(0), quint16(0), quint16(0));
    }

private:
    // A message of big-endian fields.
    template <typename... Fields>
    bool send(Fields... fields) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        (out << ... << fields);
        return write(bytes);
    }
    bool write(const QByteArray& bytes) {
        socket_.write(bytes);
        return socket_.waitForBytesWritten(kDeadlineMs);
    }
    bool read(int bytes, QByteArray* into = nullptr) {
        while (socket_.bytesAvailable() < bytes)
            if (!socket_.waitForReadyRead(kDeadlineMs)) return false;
        const QByteArray got = socket_.read(bytes);
        if (into) *into = got;
        return true;
    }
    QLocalSocket socket_;
};

class WaylandJourney : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session.problem(), QString());
        ASSERT_EQ(sway.start("output HEADLESS-1 resolution 1024x768\n"), QString());
        // Clients of the test's user keep the session's runtime folder and name sway's socket
        // by its whole path.
        env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", sway.display());
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.remove("QUORVANE_HOME");
        session.start("env", asClient({"wayvnc", "-u", session.folder("vnc.sock")}));
        // Its socket is there a moment before it answers on it.
        ASSERT_TRUE(waitFor([&] { return input.connect(session.folder("vnc.sock")); }))
            << session.report().toStdString();
        QDir().mkpath(home);
        testing_support::writeStore(home + "/ZARN.DAT", list);
    }

    QStringList asClient(const QStringList& command) const {
        return QStringList{"XDG_RUNTIME_DIR=" + env.value("XDG_RUNTIME_DIR"),
                           "WAYLAND_DISPLAY=" + env.value("WAYLAND_DISPLAY")} +
               command;
    }
    std::unique_ptr<RealProgram> start(const QString& name = "applied") const {
        auto copy = std::make_unique<RealProgram>(folder, env, name);
        return copy->start(home, kTickMs) ? std::move(copy) : nullptr;
    }

    // The program's windows sway shows, by title, and where each is.
    QMap<QString, QRect> windows() const {
        QMap<QString, QRect> found;
        std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node["pid"].toInteger() == program->process.processId() && node["visible"].toBool())
                found.insert(node["name"].toString(),
                             QRect(node["rect"]["x"].toInt(), node["rect"]["y"].toInt(),
                                   node["rect"]["width"].toInt(), node["rect"]["height"].toInt()));
            for (const char* key : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node[key].toArray()) walk(child.toObject());
        };
        walk(QJsonDocument::fromJson(sway.tree()).object());
        return found;
    }
    ::testing::AssertionResult shows(const QStringList& titles) {
        if (waitFor([&] { return windows().keys() == titles; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "shown: " << windows().keys().join(" | ").toStdString();
    }

    // The program's item as waybar's watcher lists it: bus name and object path.
    QStringList trayItem() const {
        const QString reply =
            gdbus("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                  "org.freedesktop.DBus.Properties.Get",
                  {"org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"});
        const QRegularExpressionMatch item =
            QRegularExpression("'(:[0-9.]+)(/[A-Za-z/]+)'").match(reply);
        return item.hasMatch() ? QStringList{item.captured(1), item.captured(2)} : QStringList();
    }
    static QString gdbus(const QString& service, const QString& path, const QString& method,
                         const QStringList& arguments = {}) {
        return programOutput("gdbus", QStringList{"call", "--session", "-d", service, "-o", path,
                                                  "-m", method, "--"} +
                                          arguments);
    }
    // Picks an item of the icon's menu by its label, as a host does when it is clicked.
    bool pick(const QString& label) {
        const QStringList item = trayItem();
        if (item.isEmpty()) return false;
        gdbus(item[0], "/MenuBar", "com.canonical.dbusmenu.AboutToShow", {"0"});
        const QString layout =
            gdbus(item[0], "/MenuBar", "com.canonical.dbusmenu.GetLayout", {"0", "-1", "[]"});
        const QRegularExpressionMatch id =
            QRegularExpression(QStringLiteral("\\((\\d+), \\{[^}]*'label': <'%1'>")
                                   .arg(QRegularExpression::escape(label)))
                .match(layout);
        return id.hasMatch() && gdbus(item[0], "/MenuBar", "com.canonical.dbusmenu.Event",
                                      {id.captured(1), "clicked", "<0>", "0"}) == "()";
    }
    // Whether each wallpaper applied is the entry after the one before it.
    ::testing::AssertionResult inListOrder(const QStringList& applied) const {
        for (qsizetype i = 1; i < applied.size(); ++i) {
            std::size_t at = 0;
            while (at < list.size() && *list[at].path != applied[i - 1]) ++at;
            if (at == list.size() || *list[(at + 1) % list.size()].path != applied[i])
                return ::testing::AssertionFailure() << applied.join(", ").toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    testing_support::DesktopSession session;
    testing_support::HeadlessSway sway{session};
    testing_support::TempFolder folder;
    const QString home = folder.filePath("program");
    QProcessEnvironment env;
    VncInput input;
    std::vector<StoredRecord> list = {{home + "/harbour.bmp", "Harbour", "1", {}},
                                      {home + "/mill.bmp", "Mill", "1", {}},
                                      {home + "/snow.bmp", "Snow", "1", {}}};
    std::unique_ptr<RealProgram> program;
};

TEST_F(WaylandJourney, GoesToWaybarsTrayAndBackAndHidesWhereNoTrayRuns) {
    // No tray host: the saved list sends the window out of view, not to a minimised state sway
    // does not have, the rotation runs, and a second start brings the window back.
    ASSERT_TRUE(program = start());
    ASSERT_TRUE(waitFor([&] { return program->applied().size() >= 2; }))
        << program->state().toStdString();
    EXPECT_EQ(windows(), (QMap<QString, QRect>()));
    const std::unique_ptr<RealProgram> second = start("second");
    ASSERT_TRUE(second && second->process.waitForFinished(kDeadlineMs));
    EXPECT_EQ(second->state(), "ended with status 0");
    EXPECT_TRUE(shows({"Quorvane"}));
    ASSERT_TRUE(program->terminate());

    // With waybar: the program starts in its tray, with its tip.
    const QString config = folder.write("waybar.json", R"({"modules-right": ["tray"]})");
    ASSERT_EQ(session.startOwnerOf("org.kde.StatusNotifierWatcher",
                                   QStringList{"env"} + asClient({"waybar", "-c", config})),
              QString());
    ASSERT_TRUE(program = start());
    ASSERT_TRUE(waitFor([&] { return !trayItem().isEmpty(); })) << session.report().toStdString();
    const QStringList item = trayItem();
    EXPECT_EQ(windows(), (QMap<QString, QRect>()));
    EXPECT_TRUE(gdbus(item[0], item[1], "org.freedesktop.DBus.Properties.Get",
                      {"org.kde.StatusNotifierItem", "ToolTip"})
                    .contains("'Quorvane.'"));

    // Activating the icon brings the window back; the toolbox and a dialog open over it.
    ASSERT_EQ(gdbus(item[0], item[1], "org.kde.StatusNotifierItem.Activate", {"0", "0"}), "()");
    ASSERT_TRUE(shows({"Quorvane"}));
    ASSERT_TRUE(waitFor([&] { return trayItem().isEmpty(); })) << "the icon stayed in the tray";
    QImage screen;
    const auto grim = [&] {
        screen = sway.screenshot();
        return previewBox(screen, windows().value("Quorvane"));
    };
    std::optional<QRect> preview;
    ASSERT_TRUE(waitFor([&] { return (preview = grim()).has_value(); }));
    ASSERT_TRUE(input.click(preview->center(), 2));
    EXPECT_TRUE(shows({"  Image ToolBox"}));
    programOutput(
        "swaymsg",
        {QStringLiteral("[pid=%1 title=\"ToolBox$\"] kill").arg(program->process.processId())});
    ASSERT_TRUE(shows({"Quorvane"}));
    // The window comes back where sway places it now.
    ASSERT_TRUE(waitFor([&] { return (preview = grim()).has_value(); }));

    // New Image, then Save Image: a bitmap is copied, a photo format converted after the
    // question whether to fit it to the display.
    const QString pictures = folder.filePath("pictures");
    QDir().mkpath(pictures);
    for (const char* name : {"dune.bmp", "photo.avif"}) {
        SCOPED_TRACE(name);
        const QString path = testing_support::writeImage(pictures, name, 320, 240);
        ASSERT_TRUE(input.keys("alt+n"));
        ASSERT_TRUE(shows({"Quorvane", "Select Image"}));
        ASSERT_TRUE(input.keys(path) && input.keys("Return") && shows({"Quorvane"}));
        EXPECT_TRUE(waitFor([&] { return grim(), showsPicture(screen, *preview); }))
            << "the preview does not show the image";
        ASSERT_TRUE(input.keys("alt+i"));
        if (!QString(name).endsWith(".bmp")) {
            ASSERT_TRUE(shows({"Image Backup", "Quorvane"}));
            ASSERT_TRUE(input.keys("n") && shows({"Quorvane"}));
        }
    }

    // Save Setup: back to the tray. Paused from its menu, only Next changes the wallpaper, to
    // the next entries in turn, and writes nothing.
    ASSERT_TRUE(input.keys("alt+s"));
    ASSERT_TRUE(shows({}) && waitFor([&] { return !trayItem().isEmpty(); }));
    list.push_back({home + "/dune.bmp", "dune", "15", {}});
    list.push_back({home + "/photo.BMP", "photo", "15", {}});
    const std::vector<StoredRecord> saved = testing_support::readStore(home + "/ZARN.DAT");
    EXPECT_EQ(saved.size(), list.size());
    EXPECT_EQ(QImage(home + "/photo.BMP"), QImage(home + "/dune.bmp")) << "not the picture";
    ASSERT_TRUE(pick("_Pause Rotation"));
    const qsizetype paused = program->applied().size();
    EXPECT_TRUE(program->unchangedFor(8 * kTickMs)) << "Pause did not stop the rotation";
    ASSERT_TRUE(pick("_Next Wallpaper") && pick("_Next Wallpaper"));
    EXPECT_TRUE(waitFor([&] { return program->applied().size() == paused + 2; }));
    EXPECT_TRUE(program->unchangedFor(8 * kTickMs)) << "Next set the paused rotation going";
    EXPECT_TRUE(inListOrder(program->applied().mid(paused - 1)));
    EXPECT_EQ(testing_support::readStore(home + "/ZARN.DAT"), saved) << "Next wrote the store";

    // Start at Log-in writes the entry that starts this program on this folder, and removes it.
    const QString entry = session.folder("config/autostart/quorvane.desktop");
    ASSERT_TRUE(pick("Start at _Log-in"));
    EXPECT_TRUE(waitFor([&] {
        return testing_support::fileBytes(entry).contains(" --home " + home.toUtf8() + '\n');
    })) << testing_support::fileBytes(entry).toStdString();
    ASSERT_TRUE(pick("Start at _Log-in"));
    EXPECT_TRUE(waitFor([&] { return !QFile::exists(entry); }));

    // Resumed, the rotation goes on from there; paused again, opening the window and Save
    // Setup keep the pause.
    ASSERT_TRUE(pick("_Resume Rotation"));
    EXPECT_TRUE(waitFor([&] { return program->applied().size() >= paused + 5; }));
    EXPECT_TRUE(inListOrder(program->applied().mid(paused - 1)));
    ASSERT_TRUE(pick("_Pause Rotation") && pick("_Open Quorvane"));
    ASSERT_TRUE(shows({"Quorvane"}));
    ASSERT_TRUE(input.keys("alt+s") && shows({}));
    EXPECT_TRUE(program->unchangedFor(8 * kTickMs)) << "Save Setup lifted the pause";

    // Exit answered No changes nothing; Yes ends the program and records the wallpaper.
    ASSERT_TRUE(pick("E_xit"));
    ASSERT_TRUE(shows({"Unloading ..."}));
    ASSERT_TRUE(input.keys("n") && shows({}) && !trayItem().isEmpty());
    EXPECT_EQ(program->state(), "running");
    ASSERT_TRUE(pick("E_xit") && shows({"Unloading ..."}));
    ASSERT_TRUE(input.keys("y"));
    ASSERT_TRUE(program->process.waitForFinished(kDeadlineMs)) << "the program did not end";
    EXPECT_EQ(program->state(), "ended with status 0");
    list[0].setup = program->applied().last();
    EXPECT_EQ(testing_support::readStore(home + "/ZARN.DAT"), list);
}

}  // namespace
}  // namespace e2e
