#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <csignal>

#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"
#include "platform/QtPrompter.h"
#include "platform/TerminationSignals.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace {

class ProgramFolder : public ::testing::Test {
protected:
    // The folder chosen, relative to the test's folder, which must exist afterwards. Every
    // path given (a command-line folder, NAME=path variables, the executable's folder) is
    // relative to the test's folder; HOME is its "home".
    QString chosen(const QString& commandLine, const QStringList& variables,
                   const QString& executable) {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
        for (const QString& variable : variables)
            env.insert(variable.section('=', 0, 0), folder.filePath(variable.section('=', 1)));
        const QString result = platform::resolveProgramFolder(
            commandLine.isEmpty() ? QString() : folder.filePath(commandLine), env,
            folder.filePath(executable));
        EXPECT_TRUE(QDir(result).exists()) << result.toStdString();
        return QDir(folder.path()).relativeFilePath(result);
    }
    testing_support::TempFolder folder;
};

TEST_F(ProgramFolder, CommandLineThenEnvironmentThenAWritableExecutableFolderThenXdgDataHome) {
    EXPECT_EQ(chosen("fromargs/", {"QUORVANE_HOME=fromenv"}, ""), "fromargs");
    EXPECT_EQ(chosen("", {"QUORVANE_HOME=fromenv"}, ""), "fromenv");
    // A portable install.
    EXPECT_EQ(chosen("", {}, ""), ".");
    EXPECT_EQ(chosen("", {"XDG_DATA_HOME=data"}, "gone"), "data/quorvane");
}

TEST_F(ProgramFolder, OtherwiseTheUsersDataFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "every folder is writable for the superuser";
    QDir().mkpath(folder.filePath(QStringLiteral("bin")));
    QFile::setPermissions(folder.filePath(QStringLiteral("bin")),
                          QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(chosen("", {}, "bin"), "home/.local/share/quorvane");
}

TEST(FileDialogFilter, PairsOfCaptionAndPatternsBecomeQtNameFilters) {
    EXPECT_EQ(platform::toQtNameFilters("Images|*.bmp"), QStringList{"Images (*.bmp)"});
    EXPECT_EQ(platform::toQtNameFilters("Pictures|*.jpg;*.png|All|*.*"),
              (QStringList{"Pictures (*.jpg *.png)", "All (*.*)"}));
    EXPECT_TRUE(platform::toQtNameFilters("Dangling").isEmpty());
}

// Filter captions with two blanks in them (the editor's have) must still be chosen and
// reported by their place in the list, whatever the dialog does to the blanks.
class FilterIndex : public testing::TestWithParam<int> {};

TEST_P(FilterIndex, IsShownFirstAndReportedBack) {
    testing_support::TempFolder folder;
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.initialFolder = folder.path();
    request.fileName = QStringLiteral("picture");
    request.filter = "Windows Bitmap  (BMP)|*.bmp;*.jpg|Joint Photographic  (JPG)|*.jpg|";
    request.filterIndex = GetParam();
    QString shownFirst;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownFirst = dialog->selectedNameFilter();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto result = platform::QtPrompter().saveFile(request, nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->filterIndex, GetParam());
    EXPECT_TRUE(shownFirst.startsWith(GetParam() == 1 ? "Windows" : "Joint"))
        << shownFirst.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Both, FilterIndex, testing::Values(1, 2));

class TerminationSignal : public ::testing::TestWithParam<int> {};

TEST_P(TerminationSignal, ArrivesAsAQtSignalOnTheUiThread) {
    platform::TerminationSignals termination;
    int received = 0;
    QEventLoop loop;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested,
                     [&](int number) {
                         received = number;
                         loop.quit();
                     });
    QTimer::singleShot(0, [] { std::raise(GetParam()); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
