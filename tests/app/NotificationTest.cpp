// A wallpaper that cannot be changed, told once on standard error and once to the desktop's
// notification service - on the session bus of a desktop session of the test's own, where the
// test owns the service's name - and told again once it works.
#include <QDBusConnection>

#include "e2e/RealProgram.h"

namespace {

struct Notice {
    QString appName, summary, body;
};

// Takes the place of a notification daemon and keeps what it is asked to show.
class NotificationService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<Notice> shown;

public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        shown.push_back({appName, summary, body});
        return uint(shown.size());
    }
};

TEST(WallpaperFailures, AreToldOncePerRunOfFailuresAndOnceWhenItWorksAgain) {
    const testing_support::DesktopSession session;
    ASSERT_EQ(session.problem(), QString());
    const testing_support::TempFolder folder;
    NotificationService service;
    {
        QDBusConnection connection = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "notifications");
        ASSERT_TRUE(connection.registerObject("/org/freedesktop/Notifications", &service,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService("org.freedesktop.Notifications"));
    }
    // Fails, saying why, until the file "works" exists; notes every call.
    const QString command =
        e2e::writeScript(folder, "command.sh",
                         "cd \"$(dirname \"$0\")\"\n"
                         "printf '%s\\n' \"$1\" >> calls.txt\n"
                         "[ -e works ] || { echo 'no compositor' >&2; exit 1; }\n");
    const auto calls = [&] {
        return testing_support::fileBytes(folder.filePath("calls.txt")).count('\n');
    };
    testing_support::writeStore(
        folder.filePath("ZARN.DAT"),
        {{folder.filePath("a.bmp"), "a", "0", {}}, {folder.filePath("b.bmp"), "b", "0", {}}});
    e2e::RealProgram program(folder, e2e::offscreenEnvironment(), "applied", command + " %f");
    ASSERT_TRUE(program.start(folder.path(), 30));

    ASSERT_TRUE(e2e::waitFor([&] { return calls() >= 4 && !service.shown.empty(); }));
    folder.write("works", "");
    const qsizetype before = calls();
    ASSERT_TRUE(e2e::waitFor([&] { return calls() >= before + 3 && service.shown.size() >= 2; }));
    EXPECT_TRUE(program.terminate());
    QDBusConnection::disconnectFromBus("notifications");

    const QString failure = command + " failed (exit status 1): no compositor";
    // The program's own lines; Qt's messages may lack their line ends.
    QStringList own;
    for (const QString& line :
         QString::fromLocal8Bit(program.process.readAllStandardError()).split('\n'))
        if (line.contains("quorvane: ")) own << line.mid(line.indexOf("quorvane: "));
    EXPECT_EQ(own, QStringList({"quorvane: the wallpaper could not be changed with the command "
                                "backend: " +
                                    failure,
                                "quorvane: the wallpaper changes again with the command backend"}));
    ASSERT_EQ(service.shown.size(), 2u);
    EXPECT_EQ(service.shown[0].appName, "Quorvane");
    EXPECT_EQ(service.shown[0].summary, "Quorvane cannot change the wallpaper");
    EXPECT_EQ(service.shown[0].body,
              "The command wallpaper backend failed: " + failure +
                  "\nThe show list goes on; you will be told when the wallpaper changes again.");
    EXPECT_EQ(service.shown[1].summary, "Quorvane changes the wallpaper again");
    EXPECT_EQ(service.shown[1].body, "The command wallpaper backend works again.");
}

}  // namespace

#include "NotificationTest.moc"
