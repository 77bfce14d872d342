// The backends against the real programs that read their arguments, where those programs
// can run without a desktop: no shell between us and the program, and values the program's
// own parser takes for exactly the path.
#include "Decoders.h"
#include "NastyPaths.h"
#include "rotation/wallpaper/GnomeWallpaperSetter.h"
#include "rotation/wallpaper/WallpaperBackends.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wallpaper_test {
namespace {

class RealPrograms : public ::testing::TestWithParam<NastyPath> {
protected:
    testing_support::TempFolder folder;
};

// gsettings with the keyfile backend keeps its values in a file under XDG_CONFIG_HOME, so
// the test neither needs a session bus nor touches the user's settings.
TEST_P(RealPrograms, GsettingsStoresExactlyTheUriOfThePath) {
    const QString path = GetParam().path;
    const QStringList isolated = {QStringLiteral("GSETTINGS_BACKEND=keyfile"),
                                  QStringLiteral("XDG_CONFIG_HOME=") + folder.path()};
    const rotation::ProgramRunner runIsolated = [&](const QString& program,
                                                    const QStringList& arguments, int timeoutMs) {
        return platform::runProgram(QStringLiteral("env"),
                                    isolated + QStringList{program} + arguments, timeoutMs);
    };
    rotation::GnomeWallpaperSetter(runIsolated).apply(path);

    for (const QString& key : {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")}) {
        const platform::ProcessResult stored = runIsolated(
            QStringLiteral("gsettings"),
            {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"), key}, 10000);
        ASSERT_TRUE(stored.succeeded()) << "gsettings and gsettings-desktop-schemas are needed";
        const QString printed = QString::fromUtf8(stored.standardOutput).trimmed();
        const std::optional<QString> uri = readGVariantString(printed);
        ASSERT_TRUE(uri) << printed.toStdString();
        EXPECT_EQ(readFileUri(*uri), path) << key.toStdString();
    }
}

// A user command is started directly: shell syntax in the path reaches the program as text.
TEST_P(RealPrograms, UserCommandReceivesThePathAsTextInItsArguments) {
    const QString path = GetParam().path;
    const QString script =
        folder.write(QStringLiteral("show args.sh"),
                     "#!/bin/sh\nout=\"$1\"\nshift\nprintf '%s\\0' \"$@\" > \"$out\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString output = folder.filePath(QStringLiteral("args"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("QUORVANE_WALLPAPER_CMD"),
               QStringLiteral("\"%1\" \"%2\" %f \"--image=%f\"").arg(script, output));
    const QString payload = QStringLiteral("$(touch %1/pwned) `touch %1/pwned`").arg(folder.path());

    const auto setter = rotation::makeWallpaperSetter(QString(), env);
    ASSERT_TRUE(setter);
    setter->apply(path + payload);

    QFile written(output);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> arguments = written.readAll().split('\0');
    EXPECT_EQ(
        arguments,
        (QList<QByteArray>{(path + payload).toUtf8(), ("--image=" + path + payload).toUtf8(), {}}));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("pwned"))));
}

INSTANTIATE_TEST_SUITE_P(wallpaper_nasty_paths, RealPrograms, ::testing::ValuesIn(nastyPaths()));

}  // namespace
}  // namespace wallpaper_test
