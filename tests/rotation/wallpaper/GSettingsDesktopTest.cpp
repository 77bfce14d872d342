#include <gtest/gtest.h>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QUrl>
#include <optional>

#include "HostileFiles.h"
#include "PrivateSession.h"
#include "WallpaperTestSupport.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"

// GNOME, Cinnamon and MATE keep the wallpaper in GSettings. Here the real gsettings writes
// through the real dconf-service on a session bus of the test's own, against the schemas the
// desktops' Debian packages install, and both gsettings and dconf read it back.

namespace wallpaper_test {
namespace {

// One key a backend writes: how gsettings names it and where dconf stores it.
struct StoredKey {
    const char* schema;
    const char* key;
    const char* dconfPath;
    bool isUri;  // a file:// URI; else the plain path
};

struct GSettingsDesktop {
    const char* backend;
    std::vector<StoredKey> keys;
};

void PrintTo(const GSettingsDesktop& desktop, std::ostream* out) { *out << desktop.backend; }

const GSettingsDesktop kDesktops[] = {
    {"gnome",
     {{"org.gnome.desktop.background", "picture-uri", "/org/gnome/desktop/background/picture-uri",
       true},
      {"org.gnome.desktop.background", "picture-uri-dark",
       "/org/gnome/desktop/background/picture-uri-dark", true}}},
    {"cinnamon",
     {{"org.cinnamon.desktop.background", "picture-uri",
       "/org/cinnamon/desktop/background/picture-uri", true}}},
    {"mate",
     {{"org.mate.background", "picture-filename", "/org/mate/desktop/background/picture-filename",
       false}}},
};

// The file a stored value (GVariant text, as gsettings and dconf print it) names: a URI is
// resolved the way Qt resolves one, QUrl::toLocalFile.
std::optional<QString> storedFile(const QString& printed, bool isUri) {
    const std::optional<QString> text = readGVariantString(printed);
    if (!text || !isUri) return text;
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) return std::nullopt;
    return url.toLocalFile();
}

class GSettingsDesktops : public ::testing::TestWithParam<GSettingsDesktop> {
protected:
    void SetUp() override {
        session_.emplace();
        ASSERT_EQ(session_->problem(), QString());
        ASSERT_EQ(session_->startBusService(QStringLiteral("ca.desrt.dconf")), QString())
            << "dconf-service (Debian package dconf-service) is needed";
        files_ = writeHostileFiles(session_->filesFolder());
    }
    void TearDown() override { session_.reset(); }

    std::optional<PrivateSession> session_;
    std::vector<HostileFile> files_;
};

TEST_P(GSettingsDesktops, StoreEveryHostileNameSoThatItNamesTheVeryFile) {
    const auto setter = rotation::makeWallpaperSetter(QString::fromUtf8(GetParam().backend),
                                                      QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(setter);
    for (const HostileFile& file : files_) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(setter->apply(file.path), QString());
        for (const StoredKey& stored : GetParam().keys) {
            SCOPED_TRACE(stored.key);
            const QString viaGSettings =
                programOutput(QStringLiteral("gsettings"),
                              {QStringLiteral("get"), QString::fromUtf8(stored.schema),
                               QString::fromUtf8(stored.key)});
            EXPECT_EQ(storedFile(viaGSettings, stored.isUri), file.path)
                << viaGSettings.toStdString();
            const QString viaDconf =
                programOutput(QStringLiteral("dconf"),
                              {QStringLiteral("read"), QString::fromUtf8(stored.dconfPath)});
            EXPECT_EQ(storedFile(viaDconf, stored.isUri), file.path) << viaDconf.toStdString();
            // GIO, which the desktops open their pictures with, finds the file the value names.
            const std::optional<QString> value = readGVariantString(viaGSettings);
            ASSERT_TRUE(value);
            EXPECT_EQ(
                programOutput(QStringLiteral("gio"), {QStringLiteral("info"), QStringLiteral("-a"),
                                                      QStringLiteral("standard::size"), *value})
                    .section(QStringLiteral("standard::size: "), 1),
                QString::number(QFileInfo(file.path).size()));
        }
    }
    EXPECT_EQ(session_->pwnedFiles(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(wallpaper_desktops, GSettingsDesktops, ::testing::ValuesIn(kDesktops),
                         [](const auto& info) { return std::string(info.param.backend); });

}  // namespace
}  // namespace wallpaper_test
