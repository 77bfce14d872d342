#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include "support/ImageFiles.h"
#include "ShowListWindowFixture.h"

namespace {

using platform::Answer;
using testing_support::fileBytes;
using testing_support::writeImage;

class SaveImage : public testing_support::ShowListWindowTest {
protected:
    void select(const QString& name, const QString& in = {}) {
        browseTo(in.isEmpty() ? images.path() : in);
        clickFile(name);
    }
    void expectFitQuestion(Answer answer) {
        prompter.expectMessage("Size to fit Display?", platform::Buttons::YesNo,
                               platform::Icon::Question, "Image Backup", answer);
    }
    void save(std::optional<Answer> fit = std::nullopt) {
        if (fit) expectFitQuestion(*fit);
        tray->cmdSaveImg->click();
    }
    static QSize bitmapSize(const QString& path) {
        QImageReader reader(path);
        return reader.format() == "bmp" ? reader.size() : QSize();
    }
    QStringList programFolderFiles() const { return QDir(folder.path()).entryList(QDir::Files); }
    void expectNothingAdded() {
        EXPECT_TRUE(entries().isEmpty());
        EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
        EXPECT_TRUE(tray->selectedImage().FileName.isEmpty());
        EXPECT_EQ(programFolderFiles(), QStringList{"ZARN.DAT"});
    }
};

class SaveBitmap : public SaveImage, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveBitmap, IsCopiedUnchangedWithoutAQuestionAndKeepsItsTime) {
    const QString name = GetParam(), source = writeImage(images.path(), name, 64, 48);
    select(name);
    tray->ComboTime->setEditText("120");
    save();
    tray->ComboTime->setEditText("240");
    save();  // the selection is used up: nothing more

    const QString target = inProgramFolder(name);
    EXPECT_EQ(entries(), QStringList{"Sunset|" + target + "|120"});
    EXPECT_EQ(fileBytes(target), fileBytes(source));
    EXPECT_TRUE(tray->cmdSaveSetup->isEnabled());
    const showlist::SelectedImage& s = tray->selectedImage();
    EXPECT_EQ(s.FileName + s.FileTitle + s.TimeText + s.WidthText + s.HeightText, "");
}

INSTANTIATE_TEST_SUITE_P(, SaveBitmap, ::testing::Values("Sunset.bmp", "Sunset.BMP", "Sunset.bMp"));

struct ConvertCase {
    const char *file, *target, *entry;
};

class ConvertImage : public SaveImage, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertImage, AnsweredYesFillsTheScreenAsABitmapNamedBeforeTheFirstDot) {
    const ConvertCase& c = GetParam();
    writeImage(images.path(), c.file, 320, 240);
    folder.write(c.target, "an older file, overwritten");
    select(c.file);
    save(Answer::Yes);
    const QString target = inProgramFolder(c.target);
    EXPECT_EQ(entries(), QStringList{QString(c.entry) + "|" + target + "|15"});
    EXPECT_EQ(bitmapSize(target), QSize(1024, 768));
}

INSTANTIATE_TEST_SUITE_P(, ConvertImage,
                         ::testing::Values(ConvertCase{"photo.jpg", "photo.BMP", "photo"},
                                           ConvertCase{"my.picture.png", "my.BMP", "my"},
                                           ConvertCase{"noextension", "noextension.BMP",
                                                       "noextension"},
                                           ConvertCase{"scan.bmp.png", "scan.BMP", "scan"}));

TEST_F(SaveImage, AShowListEntrySavedAgainAnsweredNoIsASecondEntryOfItsOwnSize) {
    writeImage(images.path(), "photo.jpg", 64, 32);
    select("photo.jpg");
    save(Answer::No);
    clickEntry(0);
    save(Answer::No);
    const QString line = "photo|" + inProgramFolder("photo.BMP") + "|15";
    EXPECT_EQ(entries(), QStringList({line, line}));
    EXPECT_EQ(bitmapSize(inProgramFolder("photo.BMP")), QSize(64, 32));
}

// Selections that cannot be saved: each adds nothing and writes nothing.
enum class Unsavable {
    OneCharacter,
    TwoCharacters,
    AlreadyTheTarget,
    NotAnImage,
    TargetIsAFolder,
    FolderInTheName,
    ReadOnlyProgramFolder
};

class SaveNothing : public SaveImage, public ::testing::WithParamInterface<Unsavable> {};

TEST_P(SaveNothing, AddsNothingAndDestroysNothing) {
    QString own;
    switch (GetParam()) {
        case Unsavable::OneCharacter:
        case Unsavable::TwoCharacters:
            writeImage(images.path(), GetParam() == Unsavable::OneCharacter ? "a" : "ab", 20, 20);
            select(GetParam() == Unsavable::OneCharacter ? "a" : "ab");
            save();
            break;
        case Unsavable::AlreadyTheTarget: {
            own = writeImage(folder.path(), "Here.bmp", 40, 40);
            const QByteArray before = fileBytes(own);
            select("Here.bmp", folder.path());
            save();
            EXPECT_EQ(fileBytes(own), before);
            QFile::remove(own);
            break;
        }
        case Unsavable::NotAnImage:
            images.write("notes.png", "plain words");
            prompter.expectMessage("Unknown file format", platform::Buttons::Ok,
                                   platform::Icon::Information, "Image Selection", Answer::Ok);
            select("notes.png");
            save(Answer::Yes);
            break;
        case Unsavable::TargetIsAFolder:
            QDir(folder.path()).mkdir("photo.BMP");
            writeImage(images.path(), "photo.png", 20, 20);
            select("photo.png");
            save(Answer::No);
            QDir(folder.path()).rmdir("photo.BMP");
            break;
        case Unsavable::FolderInTheName:
            // Names from a hand-edited store.
            for (const char* name : {"../escape", "sub/dir.bmp"}) {
                tray->showLists().clear();
                addEntry(name, writeImage(images.path(), "real.png", 20, 20), "5");
                clickEntry(0);
                save();
                EXPECT_EQ(entries().size(), 1);
            }
            EXPECT_FALSE(QFile::exists(folder.path() + "/../escape.BMP"));
            tray->showLists().clear();
            break;
        case Unsavable::ReadOnlyProgramFolder:
            if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
            writeImage(images.path(), "photo.png", 20, 20);
            writeImage(images.path(), "copy.bmp", 20, 20);
            QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            select("photo.png");
            save(Answer::Yes);
            clickFile("copy.bmp");
            save();
            QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
            break;
    }
    expectNothingAdded();
}

INSTANTIATE_TEST_SUITE_P(, SaveNothing,
                         ::testing::Values(Unsavable::OneCharacter, Unsavable::TwoCharacters,
                                           Unsavable::AlreadyTheTarget, Unsavable::NotAnImage,
                                           Unsavable::TargetIsAFolder, Unsavable::FolderInTheName,
                                           Unsavable::ReadOnlyProgramFolder));

TEST_F(SaveImage, WithNothingSelectedLeavesSaveSetupAsItWas) {
    tray->cmdSaveImg->click();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(tray->cmdSaveSetup->isEnabled());
}

}  // namespace
