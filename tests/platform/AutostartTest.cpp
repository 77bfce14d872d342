#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <stdexcept>

#include "platform/Autostart.h"
#include "platform/DesktopEntryExec.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace {

using platform::Autostart;
using platform::AutostartState;

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment configIn(const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", folder);
    return env;
}

// --- the Exec value itself, against the rules written out by hand ---------------------------

struct ExecCase {
    QStringList arguments;
    QString value;  // as it stands in the file
};

class ExecValue : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ExecValue, QuotesWhatNeedsItAndEscapesForTheQuotesThenForTheKeyFile) {
    EXPECT_EQ(platform::desktopExecValue(GetParam().arguments), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Rules, ExecValue,
                         ::testing::Values(ExecCase{{"/usr/bin/quorvane"}, "/usr/bin/quorvane"},
                                           ExecCase{{"/opt/q/quorvane", "--home", "/a b"},
                                                    R"(/opt/q/quorvane --home "/a b")"},
                                           ExecCase{{"/q", "/x\\y"}, R"(/q "/x\\\\y")"},
                                           ExecCase{{"/q", "a\"b"}, R"(/q "a\\"b")"},
                                           ExecCase{{"/q", "$x`y`"}, R"(/q "\\$x\\`y\\`")"},
                                           ExecCase{{"/q", "50%"}, "/q 50%%"},
                                           ExecCase{{"/q", "it's 5%"}, R"(/q "it's 5%%")"},
                                           ExecCase{{"/q", ""}, R"(/q "")"},
                                           ExecCase{{"/q", "/Bilder/Ärger"}, "/q /Bilder/Ärger"}));

TEST(ExecValue, RefusesControlCharacters) {
    for (const QString& argument : {QString("/a\nb"), QString("/a\tb"), QString("/a\rb")})
        EXPECT_THROW(platform::desktopExecValue({"/q", argument}), std::invalid_argument);
}

struct SplitCase {
    QString stored;                      // the Exec value as a hand-made entry may hold it
    std::optional<QStringList> started;  // what a desktop starts for it
};

class SplitCommand : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommand, ReadsEntriesWrittenByOthers) {
    const std::optional<QStringList> started =
        platform::splitDesktopCommand(platform::unescapeDesktopString(GetParam().stored));
    EXPECT_EQ(started, GetParam().started);
}

INSTANTIATE_TEST_SUITE_P(HandMade, SplitCommand,
                         ::testing::Values(SplitCase{"quorvane --home /data %U",
                                                     QStringList{"quorvane", "--home", "/data"}},
                                           SplitCase{
                                               R"("/opt/my q/quorvane"  --home '/a b')",
                                               QStringList{"/opt/my q/quorvane", "--home", "/a b"}},
                                           SplitCase{R"(/q "A=\\$x \\"y\\"" 100%%)",
                                                     QStringList{"/q", "A=$x \"y\"", "100%"}},
                                           SplitCase{R"(/q\s"\\\\n")", QStringList{"/q", R"(\n)"}},
                                           SplitCase{R"(/q "open)", std::nullopt}));

// --- where the entry lives -----------------------------------------------------------------

TEST(AutostartLocation, FollowsAnAbsoluteXdgConfigHomeElseTheHomeFolder) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    EXPECT_EQ(Autostart("/q", "", env).location(), "/home/ann/.config/autostart/quorvane.desktop");
    env.insert("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Autostart("/q", "", env).location(), "/home/ann/.config/autostart/quorvane.desktop");
    env.insert("XDG_CONFIG_HOME", "/srv/cfg");
    EXPECT_EQ(Autostart("/q", "", env).location(), "/srv/cfg/autostart/quorvane.desktop");
}

// --- written, read back, checked by the desktop's own tools, and started -------------------

struct Launch {
    QString programFolder;  // made inside the test's folder; holds the stand-in program
    QString home;           // empty for the default program folder
};

class AutostartRoundTrip : public ::testing::TestWithParam<Launch> {
protected:
    // A stand-in for the program that writes what it was started with, one NUL after each.
    QString makeProgram() const {
        const QString dir = folder.filePath("programs/" + GetParam().programFolder);
        EXPECT_TRUE(QDir().mkpath(dir));
        const QString path = dir + "/quorvane";
        folder.write(path.mid(folder.path().size() + 1),
                     "#!/bin/sh\n"
                     "for a in \"$0\" \"$@\"; do printf '%s\\0' \"$a\"; done > \"$RECORD.part\"\n"
                     "mv \"$RECORD.part\" \"$RECORD\"\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // What the desktop started for the entry: GLib reads the Exec line the way GNOME, Budgie,
    // Cinnamon, MATE and XFCE do when they run autostart entries.
    QStringList launchedByGio(const QString& entry) const {
        const QString record = folder.filePath("started");
        QProcess gio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("RECORD", record);
        gio.setProcessEnvironment(env);
        gio.start("gio", {"launch", entry});
        EXPECT_TRUE(gio.waitForFinished(20000));
        EXPECT_EQ(gio.exitCode(), 0) << gio.readAllStandardError().toStdString();
        const QDeadlineTimer guard(20000);
        while (!QFile::exists(record) && !guard.hasExpired()) QThread::msleep(20);
        QList<QByteArray> fields = fileBytes(record).split('\0');
        if (!fields.isEmpty()) fields.removeLast();  // after the last NUL
        QStringList started;
        for (const QByteArray& field : fields) started << QString::fromUtf8(field);
        return started;
    }

    testing_support::TempFolder folder;
    QProcessEnvironment env = configIn(folder.filePath("config"));
};

TEST_P(AutostartRoundTrip, TheEntryIsValidReadsBackAsOnAndStartsExactlyThisProgramAndHome) {
    const QString program = makeProgram();
    const Autostart autostart(program, GetParam().home, env);
    ASSERT_EQ(autostart.state(), AutostartState::Off);
    autostart.enable();
    EXPECT_EQ(autostart.state(), AutostartState::On);

    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start("desktop-file-validate", {autostart.location()});
    ASSERT_TRUE(validate.waitForFinished(20000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAll(), QByteArray());

    QStringList expected{program};
    if (!GetParam().home.isEmpty()) expected << "--home" << GetParam().home;
    EXPECT_EQ(launchedByGio(autostart.location()), expected);
    EXPECT_EQ(platform::splitDesktopCommand(autostart.existingCommand()), expected);

    // The same entry seen from another copy, or from this one with another folder.
    EXPECT_EQ(Autostart(program + "2", GetParam().home, env).state(), AutostartState::OtherProgram);
    EXPECT_EQ(Autostart(program, GetParam().home + "/other", env).state(),
              AutostartState::OtherProgram);
    if (!GetParam().home.isEmpty()) {
        EXPECT_EQ(Autostart(program, "", env).state(), AutostartState::OtherProgram);
    }
}

// Not among them: a percent sign in the program's own path. GLib looks for the program before
// it reads the doubled percent signs, so the desktops built on it cannot start such a path.
INSTANTIATE_TEST_SUITE_P(
    Paths, AutostartRoundTrip,
    ::testing::Values(Launch{"plain", ""}, Launch{"my programs", "/data/my pictures"},
                      Launch{"say \"hi\" it's", "/home/o'neil/\"quoted\""},
                      Launch{"$HOME `id`", "/x/$(touch pwned)/`reboot`/${PATH}"},
                      Launch{"back\\slash\\", "/x/back\\slash\\\\"},
                      Launch{"percent", "/x/50%%/%U %h"}, Launch{"Bilder Ärger", "/x/日本語/ñandú"},
                      Launch{"semi;colon&amp|pipe", "/x/<in>/*?#(~)/tab"},
                      Launch{"=", "/x/--home=/y [Desktop Entry]"}));

TEST(AutostartEntry, IsWrittenInFullWithTheHomeQuoted) {
    testing_support::TempFolder folder;
    const Autostart autostart("/opt/quorvane/quorvane", "/home/u/My Pictures/",
                              configIn(folder.path()));
    autostart.enable();
    EXPECT_EQ(fileBytes(folder.filePath("autostart/quorvane.desktop")),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Quorvane\n"
              "Comment=Changes the desktop wallpaper on a schedule\n"
              "Icon=quorvane\n"
              "Exec=/opt/quorvane/quorvane --home \"/home/u/My Pictures\"\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

// --- entries found there -------------------------------------------------------------------

struct FoundCase {
    QByteArray entry;
    AutostartState state;
    QString command;
};

class FoundEntry : public ::testing::TestWithParam<FoundCase> {};

TEST_P(FoundEntry, IsReadAsTheDesktopReadsIt) {
    testing_support::TempFolder folder;
    QDir().mkpath(folder.filePath("autostart"));
    folder.write("autostart/quorvane.desktop", GetParam().entry);
    const Autostart autostart("/opt/q/quorvane", "/data/pics", configIn(folder.path()));
    EXPECT_EQ(autostart.state(), GetParam().state);
    EXPECT_EQ(autostart.existingCommand(), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, FoundEntry,
    ::testing::Values(
        FoundCase{"[Desktop Entry]\nType=Application\nExec = /opt/q/quorvane --home /data/pics/\n",
                  AutostartState::On, "/opt/q/quorvane --home /data/pics/"},
        FoundCase{"[Desktop Entry]\nExec=/usr/bin/other --flag %U\n", AutostartState::OtherProgram,
                  "/usr/bin/other --flag %U"},
        FoundCase{"[Desktop Entry]\nExec=/opt/q/quorvane\n", AutostartState::OtherProgram,
                  "/opt/q/quorvane"},
        FoundCase{"[Desktop Entry]\nExec=/opt/q/quorvane --home /data\n",
                  AutostartState::OtherProgram, "/opt/q/quorvane --home /data"},
        FoundCase{"[Desktop Entry]\nExec=\"/opt/q/quorvane --home /data/pics\n",
                  AutostartState::OtherProgram, "\"/opt/q/quorvane --home /data/pics"},
        FoundCase{"[Desktop Entry]\nExec=/opt/q/quorvane --home /data/pics\nHidden=true\n",
                  AutostartState::Off, ""},
        FoundCase{"[Desktop Action x]\nExec=/opt/q/quorvane --home /data/pics\n"
                  "[Desktop Entry]\nExec=/usr/bin/other\n",
                  AutostartState::OtherProgram, "/usr/bin/other"}));

// --- replacing and removing ----------------------------------------------------------------

TEST(AutostartEntry, EnableReplacesAnotherEntryLeavingNoTemporaryFileAndDisableRemovesIt) {
    testing_support::TempFolder folder;
    const Autostart autostart("/opt/q/quorvane", "", configIn(folder.path()));
    QDir().mkpath(folder.filePath("autostart"));
    folder.write("autostart/quorvane.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
    autostart.enable();
    EXPECT_EQ(autostart.state(), AutostartState::On);
    EXPECT_EQ(QDir(folder.filePath("autostart")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"quorvane.desktop"});
    autostart.disable();
    EXPECT_FALSE(QFile::exists(autostart.location()));
    EXPECT_EQ(autostart.state(), AutostartState::Off);
    EXPECT_NO_THROW(autostart.disable());
}

TEST(AutostartEntry, AHomeWithANewlineIsRefusedAndNothingIsWritten) {
    testing_support::TempFolder folder;
    const Autostart autostart("/opt/q/quorvane", "/x/two\nlines", configIn(folder.path()));
    try {
        autostart.enable();
        FAIL() << "written";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString(e.what()),
                  "The log-in start entry cannot be written: \"/x/two\\nlines\" holds a control "
                  "character, which a desktop entry cannot carry.");
    }
    EXPECT_FALSE(QFile::exists(autostart.location()));
}

// A file where the configuration folder should be stops even the superuser.
TEST(AutostartEntry, AConfigFolderThatCannotBeMadeIsNamedWithTheReason) {
    testing_support::TempFolder folder;
    const QString config = folder.write("config", "not a folder");
    const Autostart autostart("/opt/q/quorvane", "", configIn(config));
    try {
        autostart.enable();
        FAIL() << "written";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString(e.what()),
                  "The folder " + config + "/autostart cannot be made: Not a directory.");
    }
}

TEST(AutostartEntry, AnEntryThatCannotBeRemovedIsNamedWithTheReason) {
    testing_support::TempFolder folder;
    const Autostart autostart("/opt/q/quorvane", "", configIn(folder.path()));
    QDir().mkpath(autostart.location() + "/inside");
    try {
        autostart.disable();
        FAIL() << "removed";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(QString(e.what()),
                  autostart.location() + " cannot be removed: Directory not empty.");
    }
}

}  // namespace
