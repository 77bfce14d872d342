#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFile>

#include "platform/ProgramFolder.h"
#include "support/TempFolder.h"

namespace {

using platform::resolveProgramFolder;
using testing_support::TempFolder;

class ProgramFolder : public ::testing::Test {
protected:
    QProcessEnvironment env() const {
        QProcessEnvironment e;
        e.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
        return e;
    }
    TempFolder folder;
};

TEST_F(ProgramFolder, TheCommandLineWinsOverTheEnvironmentAndIsCreated) {
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("QUORVANE_HOME"), folder.filePath(QStringLiteral("fromenv")));
    const QString chosen =
        resolveProgramFolder(folder.filePath(QStringLiteral("fromargs/")), e, folder.path());
    EXPECT_EQ(chosen, folder.filePath(QStringLiteral("fromargs")));
    EXPECT_TRUE(QDir(chosen).exists());
}

TEST_F(ProgramFolder, TheEnvironmentWinsOverTheExecutablesFolder) {
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("QUORVANE_HOME"), folder.filePath(QStringLiteral("fromenv")));
    EXPECT_EQ(resolveProgramFolder({}, e, folder.path()),
              folder.filePath(QStringLiteral("fromenv")));
}

TEST_F(ProgramFolder, AWritableExecutableFolderIsAPortableInstall) {
    EXPECT_EQ(resolveProgramFolder({}, env(), folder.path()), folder.path());
}

TEST_F(ProgramFolder, OtherwiseTheUsersDataFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "every folder is writable for the superuser";
    const QString readOnly = folder.filePath(QStringLiteral("bin"));
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(resolveProgramFolder({}, env(), readOnly),
              folder.filePath(QStringLiteral("home/.local/share/quorvane")));
}

TEST_F(ProgramFolder, AMissingExecutableFolderFallsBackToXdgDataHome) {
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    EXPECT_EQ(resolveProgramFolder({}, e, folder.filePath(QStringLiteral("gone"))),
              folder.filePath(QStringLiteral("data/quorvane")));
    EXPECT_TRUE(QDir(folder.filePath(QStringLiteral("data/quorvane"))).exists());
}

}  // namespace
