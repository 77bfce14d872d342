// What the desktop's notification service receives when the wallpaper cannot be changed:
// the real program on a session bus of the test's own, where the test owns the service name.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "ProgramLaunch.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

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

class DesktopNotifications : public ::testing::Test {
protected:
    void SetUp() override {
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                  "--address=unix:dir=" + folder.path()});
        ASSERT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon is needed";
        address = QString::fromLocal8Bit(bus.readLine()).trimmed();
        QDBusConnection connection = QDBusConnection::connectToBus(address, "notifications");
        ASSERT_TRUE(connection.registerObject("/org/freedesktop/Notifications", &service,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService("org.freedesktop.Notifications"));
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
        QDBusConnection::disconnectFromBus("notifications");
        bus.kill();
        bus.waitForFinished();
    }
    // Serves the bus while waiting, as a guard against a hang rather than a measurement.
    template <typename Condition>
    bool serveUntil(Condition condition) {
        const QDeadlineTimer deadline(20000);
        while (!condition() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return condition();
    }
    int calls() const {
        return int(testing_support::fileBytes(folder.filePath("calls.txt")).count('\n'));
    }

    testing_support::TempFolder folder;
    QProcess bus, program;
    QString address;
    NotificationService service;
};

TEST_F(DesktopNotifications, SayOnceThatTheWallpaperCannotBeChangedAndOnceThatItCanAgain) {
    const QString command =
        program_launch::writeScript(folder, "command.sh",
                                    "#!/bin/sh\n"
                                    "cd \"$(dirname \"$0\")\"\n"
                                    "printf '%s\\n' \"$1\" >> calls.txt\n"
                                    "[ -e works ] || { echo 'no compositor' >&2; exit 1; }\n");
    testing_support::writeStore(folder.filePath("ZARN.DAT"),
                                {{folder.filePath("a.bmp"), "a", "0", std::nullopt},
                                 {folder.filePath("b.bmp"), "b", "0", std::nullopt}});
    QProcessEnvironment env = program_launch::offscreenEnvironment(command);
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QUORVANE_EXECUTABLE,
                  {"--home", folder.path(), "--tick-ms", "30", "--wallpaper-backend", "command"});
    ASSERT_TRUE(program.waitForStarted());

    ASSERT_TRUE(serveUntil([&] { return calls() >= 4 && !service.shown.empty(); }));
    folder.write("works", "");
    const int before = calls();
    ASSERT_TRUE(serveUntil([&] { return calls() >= before + 3 && service.shown.size() >= 2; }));
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));

    ASSERT_EQ(service.shown.size(), 2u) << "once per run of failures, once when it works";
    EXPECT_EQ(service.shown[0].appName, "Quorvane");
    EXPECT_EQ(service.shown[0].summary, "Quorvane cannot change the wallpaper");
    EXPECT_EQ(service.shown[0].body,
              "The command wallpaper backend failed: " + command +
                  " failed (exit status 1): no compositor\nThe show list goes on; you will be "
                  "told when the wallpaper changes again.");
    EXPECT_EQ(service.shown[1].summary, "Quorvane changes the wallpaper again");
    EXPECT_EQ(service.shown[1].body, "The command wallpaper backend works again.");
}

}  // namespace

#include "NotificationTest.moc"
