#include <gtest/gtest.h>
#include <QProcessEnvironment>
#include <QSettings>
#include <optional>

#include "DesktopScreen.h"
#include "HostileFiles.h"
#include "PrivateSession.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

// LXQt's desktop is pcmanfm-qt. Here the real one runs as LXQt starts it, on an X server and
// a session bus of the test's own; the screen shows what it draws and its settings file
// what it keeps.

namespace wallpaper_test {
namespace {

class LxqtDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        session_.emplace();
        ASSERT_EQ(session_->problem(), QString());
        ASSERT_EQ(session_->startDisplay(kScreenSize), QString());
        // As startlxqt sets it: Debian installs the lxqt profile's defaults (which stretch the
        // wallpaper; a bare pcmanfm-qt profile shows none) under /usr/share/pcmanfm-qt.
        session_->setVariable("XDG_CONFIG_DIRS", QStringLiteral("/etc:/etc/xdg:/usr/share"));
        ASSERT_EQ(session_->startOwnerOf(
                      QStringLiteral("org.pcmanfm.PCManFM"), QStringLiteral("pcmanfm-qt"),
                      {QStringLiteral("--desktop"), QStringLiteral("--profile=lxqt")}),
                  QString())
            << "pcmanfm-qt (Debian package pcmanfm-qt) is needed";
        files_ = writeHostileFiles(session_->filesFolder());
    }
    void TearDown() override { session_.reset(); }

    // The wallpaper pcmanfm-qt keeps for the next login.
    QString keptWallpaper() const {
        const QSettings settings(
            session_->configHome() + QStringLiteral("/pcmanfm-qt/lxqt/settings.conf"),
            QSettings::IniFormat);
        return settings.value(QStringLiteral("Desktop/Wallpaper")).toString();
    }

    std::optional<PrivateSession> session_;
    std::vector<HostileFile> files_;
};

TEST_F(LxqtDesktop, PcmanfmQtShowsAndKeepsEveryHostileImage) {
    const auto setter = rotation::makeWallpaperSetter(QStringLiteral("lxqt"),
                                                      QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(setter);
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter->apply(file.path), QString());
        // One image that never shows would otherwise cost every later one the whole deadline.
        ASSERT_EQ(colourText(session_->waitForBackground(file.colour)), colourText(file.colour))
            << session_->report().toStdString();
        pollUntil([&] { return keptWallpaper() == file.path; });
        EXPECT_EQ(keptWallpaper(), file.path);
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

}  // namespace
}  // namespace wallpaper_test
