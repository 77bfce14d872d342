#include <gtest/gtest.h>
#include <QProcessEnvironment>
#include <optional>

#include "DesktopScreen.h"
#include "HostileFiles.h"
#include "PrivateSession.h"
#include "platform/ProcessRunner.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

// XFCE keeps the wallpaper in the xfce4-desktop channel of xfconf. Here the real xfconfd runs
// on a session bus of the test's own and xfconf-query reads the properties back; xfdesktop,
// on an X server of the test's own, shows what it makes of them.

namespace wallpaper_test {
namespace {

const QString kChannel = QStringLiteral("xfce4-desktop");
const QString kFirstMonitor = QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");

platform::ProcessResult xfconfQuery(const QStringList& arguments) {
    return platform::runProgram(QStringLiteral("xfconf-query"),
                                QStringList{QStringLiteral("-c"), kChannel} + arguments,
                                kComponentDeadlineMs);
}

QString propertyValue(const QString& property) {
    return programOutput(QStringLiteral("xfconf-query"),
                         {QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property});
}

QStringList channelProperties() {
    const QString listing = programOutput(QStringLiteral("xfconf-query"),
                                          {QStringLiteral("-c"), kChannel, QStringLiteral("-l")});
    return listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class XfceDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        session_.emplace();
        ASSERT_EQ(session_->problem(), QString());
        ASSERT_EQ(session_->startBusService(QStringLiteral("org.xfce.Xfconf")), QString())
            << "xfconfd (Debian package xfconf) is needed";
        files_ = writeHostileFiles(session_->filesFolder());
        setter_ = rotation::makeWallpaperSetter(QStringLiteral("xfce"),
                                                QProcessEnvironment::systemEnvironment());
        ASSERT_TRUE(setter_);
    }
    void TearDown() override {
        setter_.reset();
        session_.reset();
    }

    std::optional<PrivateSession> session_;
    std::vector<HostileFile> files_;
    std::unique_ptr<rotation::WallpaperSetter> setter_;
};

TEST_F(XfceDesktop, CreatesTheFirstMonitorsImageInAFreshChannel) {
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        xfconfQuery({QStringLiteral("-p"), QStringLiteral("/backdrop"), QStringLiteral("-r"),
                     QStringLiteral("-R")});
        ASSERT_EQ(channelProperties(), QStringList());
        EXPECT_EQ(setter_->apply(file.path), QString());
        EXPECT_EQ(channelProperties(), QStringList{kFirstMonitor});
        EXPECT_EQ(propertyValue(kFirstMonitor), file.path);
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

TEST_F(XfceDesktop, SetsTheImageOfEveryMonitorAndWorkspaceAndNothingElse) {
    const QStringList images = {
        QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/last-image"),
        QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1/last-image"),
        QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0/last-image")};
    for (const QString& image : images)
        ASSERT_TRUE(xfconfQuery({QStringLiteral("-p"), image, QStringLiteral("-n"),
                                 QStringLiteral("-t"), QStringLiteral("string"),
                                 QStringLiteral("-s"), QStringLiteral("/usr/share/old.png")})
                        .succeeded());
    const QString style = QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0/image-style");
    ASSERT_TRUE(
        xfconfQuery({QStringLiteral("-p"), style, QStringLiteral("-n"), QStringLiteral("-t"),
                     QStringLiteral("int"), QStringLiteral("-s"), QStringLiteral("5")})
            .succeeded());
    const QStringList before = channelProperties();
    ASSERT_EQ(before.size(), 4);

    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter_->apply(file.path), QString());
        for (const QString& image : images)
            EXPECT_EQ(propertyValue(image), file.path) << image.toStdString();
    }
    EXPECT_EQ(propertyValue(style), QStringLiteral("5"));
    EXPECT_EQ(channelProperties(), before);
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

TEST_F(XfceDesktop, XfdesktopShowsEveryHostileImage) {
    ASSERT_EQ(session_->startDisplay(kScreenSize), QString());
    // Without a window manager to wait for; xfdesktop names its monitor by the X output
    // ("monitorscreen" on Xvfb) and writes its own last-image property once it runs.
    ASSERT_EQ(
        session_->startOwnerOf(QStringLiteral("org.xfce.xfdesktop"), QStringLiteral("xfdesktop"),
                               {QStringLiteral("--disable-wm-check")}),
        QString())
        << "xfdesktop (Debian package xfdesktop4) is needed";
    ASSERT_TRUE(pollUntil([] {
        return !channelProperties().filter(QStringLiteral("/last-image")).isEmpty();
    })) << session_->report().toStdString();

    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter_->apply(file.path), QString());
        // One image that never shows would otherwise cost every later one the whole deadline.
        ASSERT_EQ(colourText(session_->waitForBackground(file.colour)), colourText(file.colour))
            << session_->report().toStdString();
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

}  // namespace
}  // namespace wallpaper_test
