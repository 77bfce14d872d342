#include <QDir>

#include "support/ImageFiles.h"
#include "ShowListWindowFixture.h"

namespace {

using testing_support::writeImage;

class NewImage : public testing_support::ShowListWindowTest {
protected:
    void SetUp() override {
        // The pictures folder is found from the home folder: give the user a fresh one.
        savedHome_ = qgetenv("HOME");
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
        ShowListWindowTest::SetUp();
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        qputenv("XDG_CONFIG_HOME", savedConfig_);
    }
    void choose(const std::optional<QString>& path) {
        prompter.expectOpenFile(
            "Select Image",
            path ? std::optional(platform::FileDialogResult{*path, 1}) : std::nullopt);
        tray->cmdNew->click();
    }
    QString askedFolder(size_t i) const { return prompter.asked().at(i).fileRequest.initialFolder; }

    testing_support::TempFolder home;

private:
    QByteArray savedHome_, savedConfig_;
};

TEST_F(NewImage, AsksForABitmapInThePicturesFolderOrHomeThenInTheLastChosenFolder) {
    choose(std::nullopt);
    ASSERT_TRUE(QDir(home.path()).mkdir("Pictures"));
    choose(images.write("unreadable.bmp", "text"));
    choose(std::nullopt);

    const platform::FileDialogRequest& first = prompter.asked().at(0).fileRequest;
    EXPECT_EQ(first.filter, "Images|*.bmp");
    EXPECT_EQ(first.filterIndex, 1);
    EXPECT_EQ(first.fileName, "");
    EXPECT_EQ(askedFolder(0), home.path());
    EXPECT_EQ(askedFolder(1), home.filePath("Pictures"));
    EXPECT_EQ(askedFolder(2), images.path());
}

struct FitCase {
    int width, height;
    QSize preview;
};

class NewImagePreview : public NewImage, public ::testing::WithParamInterface<FitCase> {};

TEST_P(NewImagePreview, SelectsTheImageFitsItWithTheLowerWideLimitAndBrowsesToIt) {
    tray->ComboTime->setEditText("45");
    const QString path = writeImage(images.path(), "pick.bmp", GetParam().width, GetParam().height);
    choose(path);

    EXPECT_EQ(previewSize(), GetParam().preview);
    const showlist::SelectedImage& selected = tray->selectedImage();
    EXPECT_EQ(QStringList({selected.FileName, selected.FileTitle, selected.TimeText}),
              QStringList({path, "pick.bmp", "45"}));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(tray->browser().folder(), images.path());
}

INSTANTIATE_TEST_SUITE_P(, NewImagePreview,
                         ::testing::Values(FitCase{400, 200, {276, 138}},
                                           FitCase{300, 300, {204, 204}},
                                           FitCase{300, 200, {276, 184}},
                                           FitCase{288, 200, {276, 204}}));

TEST_F(NewImage, CancelChangesNothingAndAnUnreadableFileIsSelectedSilently) {
    markPreview();
    const QString folderBefore = tray->browser().folder();
    choose(std::nullopt);
    EXPECT_EQ(tray->selectedImage().FileName, "");
    const QString fake = images.write("fake.bmp", "not a bitmap");
    choose(fake);
    EXPECT_EQ(tray->selectedImage().FileName, fake);
    EXPECT_TRUE(previewIsMarker());
    EXPECT_EQ(tray->browser().folder(), folderBefore);
}

}  // namespace
