#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTextBrowser>

#include "platform/HelpFile.h"
#include "platform/HelpWindow.h"
#include "platform/QtDesktop.h"
#include "support/QtPrinting.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// An installed layout: prefix/bin holds the program, prefix/share/quorvane its help.
class HelpFile : public ::testing::Test {
protected:
    HelpFile() { QDir(folder.path()).mkpath(QStringLiteral("bin")); }
    QString bin() const { return folder.filePath(QStringLiteral("bin")); }
    QString writeHelp(const QString& subfolder, const QByteArray& html) {
        QDir(folder.path()).mkpath(subfolder);
        return folder.write(subfolder + QStringLiteral("/Quorvane.html"), html);
    }

    testing_support::TempFolder folder;
};

TEST_F(HelpFile, IsFoundBesideTheProgramFirstThenInShare) {
    EXPECT_TRUE(platform::findHelpFile(bin()).isEmpty());
    const QString installed = writeHelp(QStringLiteral("share/quorvane"), "<p>installed</p>");
    EXPECT_EQ(platform::findHelpFile(bin()), installed);
    const QString beside = writeHelp(QStringLiteral("bin"), "<p>beside</p>");
    EXPECT_EQ(platform::findHelpFile(bin()), beside);
}

TEST_F(HelpFile, MissingIsSaidAndNoWindowOpens) {
    testing_support::ScriptedPrompter prompter;
    platform::QtDesktop desktop(folder.path(), bin(), prompter);
    prompter.expectMessage(
        "The help file Quorvane.html could not be found.\n\nIt belongs beside the program or in " +
            QDir::toNativeSeparators(folder.filePath(QStringLiteral("share/quorvane"))) + ".",
        Buttons::Ok, Icon::Exclamation, "Quorvane", Answer::Ok);
    desktop.showHelp(nullptr);
    EXPECT_EQ(desktop.helpWindow(), nullptr);
}

TEST_F(HelpFile, OpensOneModelessWindowForTheWholeProgram) {
    writeHelp(QStringLiteral("share/quorvane"), "<h1>Quorvane</h1><p>How to build a show.</p>");
    testing_support::ScriptedPrompter prompter;
    platform::QtDesktop desktop(folder.path(), bin(), prompter);
    QWidget owner;
    owner.show();
    desktop.showHelp(&owner);
    platform::HelpWindow* help = desktop.helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());
    EXPECT_EQ(help->Browser->toPlainText(), "Quorvane\nHow to build a show.");

    help->close();
    desktop.showHelp(nullptr);
    EXPECT_EQ(desktop.helpWindow(), help);
    EXPECT_TRUE(help->isVisible());
    int helpWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("HelpWindow")) ++helpWindows;
    EXPECT_EQ(helpWindows, 1);
}

// The help shipped with the program covers both halves of it.
TEST(ShippedHelp, ExplainsEveryCommand) {
    platform::HelpWindow help;
    help.showFile(QStringLiteral(QUORVANE_SOURCE_HELP), nullptr);
    const QString text = help.Browser->toPlainText();
    const QString topics =
        "Building a show list|New Image|Save Image|Move|Delete Image|Display Time|Save Setup|"
        "notification area|Printer Setup...|Top-Left|Fit to Page|Copy|Paste|Overlay|Mix|4 In 1|"
        "Background|Draw|Crop|Display Properties";
    for (const QString& topic : topics.split('|'))
        EXPECT_TRUE(text.contains(topic)) << topic.toStdString();
}

}  // namespace
