#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "platform/Prompter.h"
#include "platform/QtPrompter.h"
#include "support/TempFolder.h"

namespace {

TEST(FileDialogFilter, PairsOfCaptionAndPatternsBecomeQtNameFilters) {
    EXPECT_EQ(platform::toQtNameFilters(QStringLiteral("Images|*.bmp")),
              QStringList{QStringLiteral("Images (*.bmp)")});
    EXPECT_EQ(platform::toQtNameFilters(QStringLiteral("Pictures|*.jpg;*.png|All|*.*")),
              (QStringList{QStringLiteral("Pictures (*.jpg *.png)"), QStringLiteral("All (*.*)")}));
    EXPECT_TRUE(platform::toQtNameFilters(QStringLiteral("Dangling")).isEmpty());
}

// Filter captions with two blanks in them (the editor's have) must still be chosen and
// reported by their place in the list, whatever the dialog does to the blanks.
class FilterIndex : public testing::TestWithParam<int> {};

TEST_P(FilterIndex, IsShownFirstAndReportedBack) {
    const int index = GetParam();
    testing_support::TempFolder folder;
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.initialFolder = folder.path();
    request.fileName = QStringLiteral("picture");
    request.filter =
        QStringLiteral("Windows Bitmap  (BMP)|*.bmp;*.jpg|Joint Photographic  (JPG)|*.jpg|");
    request.filterIndex = index;
    QString shownFirst;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownFirst = dialog->selectedNameFilter();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    platform::QtPrompter prompter;
    const std::optional<platform::FileDialogResult> result = prompter.saveFile(request, nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->filterIndex, index);
    EXPECT_TRUE(shownFirst.startsWith(index == 1 ? "Windows" : "Joint"))
        << shownFirst.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Both, FilterIndex, testing::Values(1, 2));

}  // namespace
