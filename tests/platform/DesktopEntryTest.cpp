#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <stdexcept>

#include "platform/Autostart.h"
#include "platform/DesktopEntryExec.h"
#include "support/HostileNames.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

namespace {

using platform::Autostart;
using platform::AutostartState;
using testing_support::fileBytes;

QProcessEnvironment configIn(const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", folder);
    return env;
}

// What GLib starts for the entry, as GNOME, Budgie, Cinnamon, MATE and XFCE do at log-in.
QStringList launchedByGio(const QString& entry, const QString& record) {
    QProcess gio;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RECORD", record);
    gio.setProcessEnvironment(env);
    gio.start("gio", {"launch", entry});
    EXPECT_TRUE(gio.waitForFinished(20000));
    EXPECT_EQ(gio.exitCode(), 0) << gio.readAllStandardError().toStdString();
    const QDeadlineTimer guard(20000);
    while (!QFile::exists(record) && !guard.hasExpired()) QThread::msleep(20);
    QStringList started = QString::fromUtf8(fileBytes(record)).split(QChar(0));
    started.removeLast();  // after the last NUL
    return started;
}

class HostileAutostart : public ::testing::TestWithParam<testsupport::HostileName> {};

// GLib looks for the program before it reads doubled percent signs, so no desktop built on it
// can start a program whose path holds one: such a name goes into the home alone.
TEST_P(HostileAutostart, TheEntryIsValidAndStartsExactlyThisProgramAndHomeOrIsRefused) {
    testing_support::TempFolder folder;
    const QString name = GetParam().name;
    const bool control = std::any_of(name.begin(), name.end(), [](QChar c) { return c < ' '; });
    const QString dir = folder.filePath(name.contains('%') || control ? "programs" : name);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString program = dir + "/quorvane", home = "/pictures/" + name;
    // A stand-in for the program that writes what it was started with, one NUL after each.
    folder.write(QDir(folder.path()).relativeFilePath(program),
                 "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '%s\\0' \"$a\"; done > "
                 "\"$RECORD.part\"\nmv \"$RECORD.part\" \"$RECORD\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const Autostart autostart(program, home, configIn(folder.filePath("config")));
    if (control) {
        EXPECT_THROW(autostart.enable(), std::runtime_error) << "a desktop entry cannot carry it";
        EXPECT_FALSE(QFile::exists(autostart.location()));
        return;
    }
    autostart.enable();
    EXPECT_EQ(autostart.state(), AutostartState::On);
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start("desktop-file-validate", {autostart.location()});
    ASSERT_TRUE(validate.waitForFinished(20000));
    EXPECT_EQ(std::pair(validate.exitCode(), validate.readAll()), std::pair(0, QByteArray()));
    const QStringList expected{program, "--home", home};
    EXPECT_EQ(launchedByGio(autostart.location(), folder.filePath("started")), expected);
    EXPECT_EQ(platform::splitDesktopCommand(autostart.existingCommand()), expected);
    // The same entry seen from another copy, or from this one with another folder.
    for (const auto& [otherProgram, otherHome] :
         {std::pair{program + "2", home}, {program, QString()}})
        EXPECT_EQ(Autostart(otherProgram, otherHome, configIn(folder.filePath("config"))).state(),
                  AutostartState::OtherProgram);
}

INSTANTIATE_TEST_SUITE_P(Names, HostileAutostart, ::testing::ValuesIn(testsupport::hostileNames()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(AutostartEntry, IsWrittenReadAndRemovedAsTheDesktopSeesIt) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    env.insert("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Autostart("/q", "", env).location(), "/home/ann/.config/autostart/quorvane.desktop");
    EXPECT_EQ(platform::desktopExecValue({"/q", "/Bilder/Ärger", ""}), R"(/q /Bilder/Ärger "")");
    const std::pair<QString, std::optional<QStringList>> read[] = {
        {"quorvane --home /data %U", QStringList{"quorvane", "--home", "/data"}},
        {R"("/opt/my q/quorvane"  --home '/a b')",
         QStringList{"/opt/my q/quorvane", "--home", "/a b"}},
        {R"(/q "A=\\$x \\"y\\"" 100%%)", QStringList{"/q", "A=$x \"y\"", "100%"}},
        {R"(/q\s"\\\\n")", QStringList{"/q", R"(\n)"}},
        {R"(/q "open)", std::nullopt}};
    for (const auto& [stored, started] : read)
        EXPECT_EQ(platform::splitDesktopCommand(platform::unescapeDesktopString(stored)), started);
    testing_support::TempFolder folder;
    QDir().mkpath(folder.filePath("autostart"));
    const auto found = [&](const QByteArray& entry) {
        folder.write("autostart/quorvane.desktop", entry);
        const Autostart autostart("/opt/q/quorvane", "/data/pics", configIn(folder.path()));
        return std::pair(autostart.state(), autostart.existingCommand());
    };
    EXPECT_EQ(found("[Desktop Entry]\nExec = /opt/q/quorvane --home /data/pics/\n"),
              std::pair(AutostartState::On, QString("/opt/q/quorvane --home /data/pics/")));
    EXPECT_EQ(
        found("[Desktop Entry]\nExec=\"/opt/q/quorvane --home /data/pics\n"),
        std::pair(AutostartState::OtherProgram, QString("\"/opt/q/quorvane --home /data/pics")));
    EXPECT_EQ(found("[Desktop Entry]\nExec=/opt/q/quorvane --home /data/pics\nHidden=true\n"),
              std::pair(AutostartState::Off, QString()));
    EXPECT_EQ(found("[Desktop Action x]\nExec=/opt/q/quorvane --home /data/pics\n"
                    "[Desktop Entry]\nExec=/usr/bin/other\n"),
              std::pair(AutostartState::OtherProgram, QString("/usr/bin/other")));
    const Autostart autostart("/opt/quorvane/quorvane", "/home/u/My Pictures/",
                              configIn(folder.path()));
    autostart.enable();
    EXPECT_EQ(fileBytes(autostart.location()),
              "[Desktop Entry]\nType=Application\nName=Quorvane\n"
              "Comment=Changes the desktop wallpaper on a schedule\nIcon=quorvane\n"
              "Exec=/opt/quorvane/quorvane --home \"/home/u/My Pictures\"\nTerminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(QDir(folder.filePath("autostart")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"quorvane.desktop"});
    autostart.disable();
    EXPECT_EQ(autostart.state(), AutostartState::Off);
    EXPECT_NO_THROW(autostart.disable());

    // A file where the configuration folder should be stops even the superuser.
    const QString config = folder.write("config", "not a folder");
    using ::testing::ThrowsMessage;
    EXPECT_THAT([&] { Autostart("/q", "/x/two\nlines", configIn(folder.path())).enable(); },
                ThrowsMessage<std::runtime_error>(
                    "The log-in start entry cannot be written: \"/x/two\\nlines\" holds a "
                    "control character, which a desktop entry cannot carry."));
    EXPECT_THAT([&] { Autostart("/q", "", configIn(config)).enable(); },
                ThrowsMessage<std::runtime_error>("The folder " + config.toStdString() +
                                                  "/autostart cannot be made: Not a directory."));
    QDir().mkpath(autostart.location() + "/inside");
    EXPECT_THAT([&] { autostart.disable(); },
                ThrowsMessage<std::runtime_error>(autostart.location().toStdString() +
                                                  " cannot be removed: Directory not empty."));
}

}  // namespace
