#include <gtest/gtest.h>
#include <QFile>
#include <QProcessEnvironment>
#include <optional>

#include "DesktopScreen.h"
#include "HostileFiles.h"
#include "PrivateSession.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

// A user's own wallpaper command (QUORVANE_WALLPAPER_CMD), chosen the way the program
// chooses it: feh on an X server of the test's own, and a program that records its arguments.

namespace wallpaper_test {
namespace {

std::unique_ptr<rotation::WallpaperSetter> setterForCommand(const QString& commandLine) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVANE_WALLPAPER_CMD"), commandLine);
    return rotation::makeWallpaperSetter(QString(), env);
}

class UserCommand : public ::testing::Test {
protected:
    void SetUp() override {
        session_.emplace();
        ASSERT_EQ(session_->problem(), QString());
        files_ = writeHostileFiles(session_->filesFolder());
    }
    void TearDown() override { session_.reset(); }

    std::optional<PrivateSession> session_;
    std::vector<HostileFile> files_;
};

TEST_F(UserCommand, FehShowsEveryHostileImageOnTheRootWindow) {
    ASSERT_EQ(session_->startDisplay(kScreenSize), QString());
    const auto setter = setterForCommand(QStringLiteral("feh --bg-fill %f"));
    ASSERT_TRUE(setter);
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter->apply(file.path), QString()) << "feh (Debian package feh) is needed";
        // One image that never shows would otherwise cost every later one the whole deadline.
        ASSERT_EQ(colourText(session_->waitForBackground(file.colour)), colourText(file.colour));
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

TEST_F(UserCommand, ReceivesEveryHostileNameByteForByte) {
    const QString record = session_->filesFolder() + QStringLiteral("/arguments");
    const auto setter =
        setterForCommand(QStringLiteral("\"%1\" \"%2\" %f --image=%f \"%f and %f\"")
                             .arg(QStringLiteral(QUORVANE_ARGUMENT_RECORDER), record));
    ASSERT_TRUE(setter);
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        QFile::remove(record);
        EXPECT_EQ(setter->apply(file.path), QString());
        QFile recorded(record);
        ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
        const QByteArray path = file.path.toUtf8();
        EXPECT_EQ(recorded.readAll().split('\0'),
                  (QList<QByteArray>{path, "--image=" + path, path + " and " + path, {}}));
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

}  // namespace
}  // namespace wallpaper_test
