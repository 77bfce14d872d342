#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <QEventLoop>
#include <QFileDialog>
#include <QTextBrowser>
#include <QTimer>
#include <csignal>

#include "platform/DisplaySettings.h"
#include "platform/HelpFile.h"
#include "platform/HelpWindow.h"
#include "platform/ProgramFolder.h"
#include "platform/QtDesktop.h"
#include "platform/QtPrompter.h"
#include "platform/TerminationSignals.h"
#include "support/QtPrinting.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

namespace {

// Every path given and chosen is relative to the test's folder, which holds HOME as "home".
TEST(ProgramFolder, IsTheCommandLineThenTheEnvironmentThenAWritableExecutableFolderThenXdg) {
    testing_support::TempFolder folder;
    const auto chosen = [&](const QString& commandLine, const QString& variable,
                            const QString& executable) {
        QProcessEnvironment env;
        env.insert("HOME", folder.filePath("home"));
        if (!variable.isEmpty())
            env.insert(variable.section('=', 0, 0), folder.filePath(variable.section('=', 1)));
        const QString result = platform::resolveProgramFolder(
            commandLine.isEmpty() ? QString() : folder.filePath(commandLine), env,
            folder.filePath(executable));
        EXPECT_TRUE(QDir(result).exists()) << result.toStdString();
        return QDir(folder.path()).relativeFilePath(result);
    };
    EXPECT_EQ(chosen("fromargs/", "QUORVANE_HOME=fromenv", ""), "fromargs");
    EXPECT_EQ(chosen("", "QUORVANE_HOME=fromenv", ""), "fromenv");
    EXPECT_EQ(chosen("", "", ""), ".") << "a portable install";
    EXPECT_EQ(chosen("", "XDG_DATA_HOME=data", "gone"), "data/quorvane");
    if (::geteuid() == 0) return;  // every folder is writable for the superuser
    QDir().mkpath(folder.filePath("bin"));
    QFile::setPermissions(folder.filePath("bin"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(chosen("", "", "bin"), "home/.local/share/quorvane");
}

// The editor's filter captions hold two blanks, which the dialog may fold.
class FileDialog : public testing::TestWithParam<int> {};

TEST_P(FileDialog, ShowsTheFilterAskedFirstAndReportsTheChosenOneBack) {
    EXPECT_EQ(platform::toQtNameFilters("Pictures|*.jpg;*.png|All|*.*|Dangling"),
              (QStringList{"Pictures (*.jpg *.png)", "All (*.*)"}));
    testing_support::TempFolder folder;
    platform::FileDialogRequest request{
        "Save As", folder.path(), "picture",
        "Windows Bitmap  (BMP)|*.bmp;*.jpg|Joint Photographic  (JPG)|*.jpg|", GetParam()};
    QString shownFirst;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownFirst = dialog->selectedNameFilter();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto result = platform::QtPrompter().saveFile(request, nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(std::pair(result->filterIndex, shownFirst.section(' ', 0, 0)),
              std::pair(GetParam(), QString(GetParam() == 1 ? "Windows" : "Joint")));
}

INSTANTIATE_TEST_SUITE_P(Both, FileDialog, testing::Values(1, 2));

TEST(TerminationSignals, ArriveAsAQtSignalOnTheUiThread) {
    platform::TerminationSignals termination;
    QList<int> received;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested,
                     [&](int number) { received << number; });
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) std::raise(number);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }, 10000));
    EXPECT_EQ(received, QList<int>({SIGTERM, SIGINT, SIGHUP}));
}

// The desktop's own settings come first; the first command that starts ends the search.
TEST(DisplaySettings, AreTheDesktopsOwnAndTheFirstCommandThatStartsEndsTheSearch) {
    QStringList chosen;
    for (const char* desktop : {"ubuntu:GNOME", "Unity", "Budgie:GNOME", "XFCE", "LXQt", "MATE",
                                "X-Cinnamon", "Pantheon:KDE:GNOME", " kde ", "sway", ""}) {
        const platform::ProgramCommand c = platform::displaySettingsCommands(desktop).value(0);
        chosen << (QStringList{c.program} + c.arguments).join(' ');
    }
    EXPECT_EQ(chosen.join('|'),
              "gnome-control-center display|gnome-control-center display|"
              "gnome-control-center display|xfce4-display-settings|lxqt-config-monitor|"
              "mate-display-properties|cinnamon-settings display|systemsettings kcm_kscreen|"
              "systemsettings kcm_kscreen|arandr|arandr");
    QStringList tried;
    const auto startOnly = [&](const QString& program) {
        return [&tried, program](const platform::ProgramCommand& c) {
            tried << c.program + ' ' + c.arguments.join(' ');
            return c.program == program;
        };
    };
    const QList<platform::ProgramCommand> kde = platform::displaySettingsCommands("KDE");
    EXPECT_TRUE(platform::startFirst(kde, startOnly("kcmshell6")));
    EXPECT_EQ(tried, (QStringList{"systemsettings kcm_kscreen", "kcmshell6 kcm_kscreen"}));
    EXPECT_FALSE(platform::startFirst(kde, startOnly("nothing")));
    EXPECT_EQ(tried.last(), "kcmshell5 kcm_kscreen");
}

// An installed layout: prefix/bin holds the program, prefix/share/quorvane its help.
TEST(HelpFile, IsFoundBesideTheProgramThenInShareAndShownInOneModelessWindow) {
    testing_support::TempFolder folder;
    const QString bin = folder.filePath("bin");
    QDir(folder.path()).mkpath("bin");
    QDir(folder.path()).mkpath("share/quorvane");
    testing_support::ScriptedPrompter prompter;
    platform::QtDesktop desktop(folder.path(), bin, prompter);
    prompter.expectMessage(
        "The help file Quorvane.html could not be found.\n\nIt belongs beside the program or in " +
            QDir::toNativeSeparators(folder.filePath("share/quorvane")) + ".",
        platform::Buttons::Ok, platform::Icon::Exclamation, "Quorvane", platform::Answer::Ok);
    desktop.showHelp(nullptr);
    EXPECT_EQ(desktop.helpWindow(), nullptr);
    const QString installed = folder.write("share/quorvane/Quorvane.html",
                                           "<h1>Quorvane</h1><p>How to build a show.</p>");
    EXPECT_EQ(platform::findHelpFile(bin), installed);
    QWidget owner;
    owner.show();
    desktop.showHelp(&owner);
    platform::HelpWindow* help = desktop.helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible() && !help->isModal());
    EXPECT_EQ(help->Browser->toPlainText(), "Quorvane\nHow to build a show.");
    help->close();
    desktop.showHelp(nullptr);
    EXPECT_TRUE(desktop.helpWindow() == help && help->isVisible());
    EXPECT_EQ(platform::findHelpFile(bin), folder.write("bin/Quorvane.html", "<p>beside</p>"));

    // The help shipped with the program covers both halves of it.
    help->showFile(QUORVANE_SOURCE_HELP, nullptr);
    for (const QString& topic :
         QString("Building a show list|New Image|Save Image|Move|Delete Image|Display Time|"
                 "Save Setup|notification area|Printer Setup...|Top-Left|Fit to Page|Copy|Paste|"
                 "Overlay|Mix|4 In 1|Background|Draw|Crop|Display Properties")
             .split('|'))
        EXPECT_TRUE(help->Browser->toPlainText().contains(topic)) << topic.toStdString();
}

}  // namespace
