#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>

#include "EditorFixture.h"
#include "editor/ImageView.h"
#include "editor/ImgAtrib.h"
#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "imaging/codecs/Codecs.h"
#include "support/ImageFiles.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;
using testing_support::kLeftColour;
using testing_support::kRightColour;
using testing_support::writeImage;

const QString kImagePrompt = "This file contains 3 images.  Please select the image number. [1..3]";

// Colours an image uses, counted plainly.
int distinctColours(const QString& path) {
    const QImage image = imaging::codecs::decode(path, {});
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) & 0xFFFFFFu);
    return int(colours.size());
}

// The full error box the engine's own failure to load `path` gives.
QString loadFailureText(const QString& path) {
    imaging::ImgX engine;
    try {
        engine.canvas().LoadFile(path, 1, 0);
    } catch (const imaging::Error& error) {
        return "Error: " + QString::number(error.number) + "\r\n\r\n" + error.description;
    }
    return {};
}

using OpenFile = EditorTest;

TEST_F(OpenFile, ShowsTheImageNamedInTheCaptionAndRemembersItsFileSize) {
    selectedFile = writeImage(folder.path(), "chosen.png", 8, 8);
    const QString path = writeImage(folder.path(), "cat.png", 64, 48);
    editor::Zarn& z = start();
    open(path);

    const platform::FileDialogRequest& asked = prompter.asked()[0].fileRequest;
    EXPECT_EQ(asked.filter,
              "All Images|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf|Windows Bitmap  (BMP)|*.bmp|"
              "Joint Photographic Experts Group  (JPG)|*.jpg|Portable Network Graphics  "
              "(PNG)|*.png|Tagged Image File  (TIF)|*.tif|ZSoft PaintBrush  (PCX)|*.pcx|"
              "Truevision Targa  (TGA)|*.tga|Windows Meta File  (WMF)|*.wmf|All Files|*.*");
    EXPECT_EQ(asked.filterIndex, 1);
    EXPECT_EQ(asked.initialFolder, folder.path()) << "starts where the main window's image is";

    EXPECT_EQ(z.windowTitle(), "  cat.png");
    EXPECT_EQ(z.FileLenDat, QFileInfo(path).size());
    EXPECT_TRUE(z.NoLine);
    EXPECT_TRUE(z.placement.OverlayArmed);
    EXPECT_FALSE(z.ImgX().Modified());
    EXPECT_EQ(z.view().size(), QSize(64, 48));
    EXPECT_EQ(z.view().picture().pixelColor(0, 0), kLeftColour);
    EXPECT_EQ(z.view().picture().pixelColor(63, 47), kRightColour);
    openMenu(z.menus().mnuFile);
    EXPECT_TRUE(z.menus().mnuFileSave->isEnabled());
}

TEST_F(OpenFile, ReadsTheFormatFromTheContentNotTheName) {
    QImage square(10, 10, QImage::Format_RGB32);
    square.fill(Qt::blue);
    const QString path = folder.filePath("photo.jpg");
    ASSERT_TRUE(QImageWriter(path, "png").write(square));
    editor::Zarn& z = start();
    open(path);
    EXPECT_EQ(z.ImgX().Info(imaging::kInfoFormatCode).toInt(), imaging::kFormatPng);
    EXPECT_EQ(z.view().picture().pixelColor(5, 5), QColor(Qt::blue));
}

TEST_F(OpenFile, CancellingTheDialogChangesNothing) {
    editor::Zarn& z = start();
    prompter.expectOpenFile("Open", std::nullopt);
    z.mnuFileOpen_Click();
    EXPECT_EQ(z.windowTitle(), "  Image ToolBox");
    EXPECT_TRUE(z.ImgX().IsEmpty());
}

struct BadFile {
    const char* name;
    std::function<QString(const QString& folder)> write;
};

class OpenBadFile : public EditorTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(OpenBadFile, IsReportedInTheFullErrorBoxAndKeepsTheDocument) {
    const QString good = writeImage(folder.path(), "good.png", 20, 10);
    const QString bad = GetParam().write(folder.path());
    editor::Zarn& z = start();
    open(good);
    const qint32 goodLength = z.FileLenDat;
    const QString text = loadFailureText(bad);
    ASSERT_FALSE(text.isEmpty());
    expectOpenDialog(bad);
    prompter.expectMessage(text, Buttons::Ok, Icon::Exclamation, "ImgX", Answer::Ok);
    z.mnuFileOpen_Click();
    EXPECT_EQ(z.windowTitle(), "  good.png");
    EXPECT_EQ(z.FileLenDat, goodLength);
    EXPECT_EQ(z.ImgX().Width(), 20);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenBadFile,
    ::testing::Values(BadFile{"TextFile",
                              [](const QString& f) {
                                  const QString p = QDir(f).filePath("notes.png");
                                  QFile file(p);
                                  file.open(QIODevice::WriteOnly);
                                  file.write("just some words\n");
                                  return p;
                              }},
                      BadFile{"ZeroBytes",
                              [](const QString& f) {
                                  const QString p = QDir(f).filePath("empty.bmp");
                                  QFile(p).open(QIODevice::WriteOnly);
                                  return p;
                              }},
                      BadFile{"Removed",
                              [](const QString& f) { return QDir(f).filePath("gone.jpg"); }},
                      BadFile{"DecompressionBomb",
                              [](const QString& f) {
                                  return testing_support::writePngHeader(f, "bomb.png", 20000,
                                                                         20000);
                              }}),
    [](const auto& info) { return std::string(info.param.name); });

class ImageNumber : public EditorTest {
protected:
    void SetUp() override {
        path = testing_support::writeMultiPageTiff(folder.path(), "pages.tif",
                                                   {{10, 10}, {20, 12}, {30, 14}});
    }
    void answer(std::optional<QString> text) {
        prompter.expectInput(kImagePrompt, "Quorvane", std::move(text));
    }
    void expectInvalid() {
        prompter.expectMessage("You entered an invalid image number.", Buttons::Ok, Icon::None,
                               "Quorvane", Answer::Ok);
    }
    QString path;
};

TEST_F(ImageNumber, IsAskedAgainUntilItIsOneOfTheImages) {
    editor::Zarn& z = start();
    expectOpenDialog(path);
    answer("4");
    expectInvalid();
    answer("-1");
    expectInvalid();
    answer("1e12");
    expectInvalid();
    answer(" 2 x");
    z.mnuFileOpen_Click();
    EXPECT_EQ(z.ImgX().Width(), 20) << "the second page";
    EXPECT_EQ(prompter.asked()[1].defaultText, "1");
}

class GivingUpOnTheImageNumber : public ImageNumber,
                                 public ::testing::WithParamInterface<std::optional<QString>> {};

TEST_P(GivingUpOnTheImageNumber, LoadsNothingAndSaysNothing) {
    editor::Zarn& z = start();
    expectOpenDialog(path);
    answer(GetParam());
    z.mnuFileOpen_Click();
    EXPECT_TRUE(z.ImgX().IsEmpty());
    EXPECT_EQ(z.windowTitle(), "  Image ToolBox");
}

INSTANTIATE_TEST_SUITE_P(Answers, GivingUpOnTheImageNumber,
                         ::testing::Values(std::optional<QString>("0"), std::nullopt,
                                           std::optional<QString>(""),
                                           std::optional<QString>("none")));

class OpenIcon : public EditorTest {
protected:
    // A 16 x 16 icon, its left half transparent and its right half red.
    QString writeIcon() {
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        for (int y = 0; y < 16; ++y)
            for (int x = 8; x < 16; ++x) icon.setPixelColor(x, y, Qt::red);
        const QString p = folder.filePath("app.ICO");
        EXPECT_TRUE(QImageWriter(p, "ico").write(icon));
        return p;
    }
    void expectColourQuestion() {
        prompter.expectMessage("Please select a color to use for the icon's transparent areas.",
                               Buttons::Ok, Icon::None, "Quorvane", Answer::Ok);
    }
};

TEST_F(OpenIcon, PaintsItsTransparentAreasInTheChosenColour) {
    const QString path = writeIcon();
    editor::Zarn& z = start();
    expectOpenDialog(path);
    expectColourQuestion();
    prompter.expectColor(QColor(0, 255, 0));
    z.mnuFileOpen_Click();
    EXPECT_EQ(z.view().picture().pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(z.view().picture().pixelColor(15, 15), QColor(Qt::red));
    EXPECT_EQ(z.ImgX().Info(imaging::kInfoIconBackground).toInt(), 0x00FF00);
    EXPECT_EQ(z.windowTitle(), "  app.ICO");
}

TEST_F(OpenIcon, CancellingTheColourLoadsNothing) {
    const QString path = writeIcon();
    editor::Zarn& z = start();
    expectOpenDialog(path);
    expectColourQuestion();
    prompter.expectColor(std::nullopt);
    z.mnuFileOpen_Click();
    EXPECT_TRUE(z.ImgX().IsEmpty());
}

// --- Save ---

using SaveFile = EditorTest;

TEST_F(SaveFile, RewritesTheDocumentInItsOwnFormat) {
    editor::Zarn& z = startWith("cat.png");
    const QString path = document;
    z.ImgX().effects().Flip(0, 0);  // left and right change places
    z.mnuFileSave_Click();
    const QImage saved = imaging::codecs::decode(path, {});
    EXPECT_EQ(saved.pixelColor(0, 0), kRightColour);
    EXPECT_EQ(imaging::codecs::inspect(path).formatCode, imaging::kFormatPng);
    EXPECT_EQ(z.FileLenDat, QFileInfo(path).size());
    EXPECT_FALSE(z.ImgX().Modified());
}

TEST_F(SaveFile, AFailureIsReportedAndTheEditsStay) {
    QDir(folder.path()).mkdir("sub");
    const QString path = writeImage(folder.path() + "/sub", "cat.png", 40, 30);
    editor::Zarn& z = start();
    open(path);
    z.ImgX().effects().Flip(0, 0);
    QDir(folder.path() + "/sub").removeRecursively();
    expectSomeErrorBox();
    z.mnuFileSave_Click();
    ASSERT_EQ(prompter.asked().size(), 2u);
    EXPECT_TRUE(prompter.asked()[1].text.startsWith("Error: -2147220821\r\n\r\n"));
    EXPECT_TRUE(z.ImgX().Modified());
}

// --- Save As ---

struct SaveAsCase {
    const char* name;
    const char* document;  // opened first
    int proposedFilter;
    const char* proposedName;
    int chosenFilter;
    const char* typed;
    const char* written;
    int format;
    int bits;
};

class SaveAs : public EditorTest, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAs, WritesTheTypeOfTheChosenFilterUnderTheTypedName) {
    const SaveAsCase c = GetParam();
    editor::Zarn& z = startWith(c.document);
    const QString source = document;
    const QString typed = folder.filePath(c.typed), written = folder.filePath(c.written);
    prompter.expectSaveFile("Save As", platform::FileDialogResult{typed, c.chosenFilter});
    answerOptions();
    expectInformation(written, 40, 30, "1.333", distinctColours(source));
    EXPECT_TRUE(z.mnuFileSaveAs_Click());

    const platform::FileDialogRequest& asked = prompter.asked()[1].fileRequest;
    EXPECT_EQ(asked.fileName, c.proposedName);
    EXPECT_EQ(asked.filterIndex, c.proposedFilter);
    EXPECT_EQ(asked.filter,
              "Windows Bitmap  (BMP)|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.emf|"
              "Joint Photographic Experts Group  (JPG)|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;"
              "*.wmf;*.emf|");
    const imaging::codecs::FileFacts facts = imaging::codecs::inspect(written);
    EXPECT_EQ(facts.formatCode, c.format);
    EXPECT_EQ(facts.bitsPerPixel, c.bits);
    EXPECT_EQ(z.FileLenDat, QFileInfo(written).size());
    EXPECT_EQ(z.windowTitle(), QString("  ") + c.document) << "a save leaves the caption";
    EXPECT_EQ(z.TypeFile, c.format == imaging::kFormatJpeg ? "JPG" : "BMP");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAs,
    ::testing::Values(SaveAsCase{"JpegProposesItsNameAndFilter", "cat.jpg", 2, "cat", 2, "dog",
                                 "dog.jpg", imaging::kFormatJpeg, 24},
                      SaveAsCase{"FilterDecidesNotTheName", "cat.jpg", 2, "cat", 2, "dog.bmp",
                                 "dog.bmp", imaging::kFormatJpeg, 24},
                      SaveAsCase{"BitmapProposesEightBits", "my.cat.bmp", 1, "my", 1, "dog",
                                 "dog.bmp", imaging::kFormatBmp, 8},
                      SaveAsCase{"OtherFormatsKeepTheLastFilter", "cat.png", 1, "cat", 1, "dog",
                                 "dog.bmp", imaging::kFormatBmp, 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveAs, WritesTheOptionsChosenInTheDialog) {
    editor::Zarn& z = startWith("cat.bmp");
    const QString source = document;
    const QString written = folder.filePath("big.bmp");
    prompter.expectSaveFile("Save As", platform::FileDialogResult{written, 1});
    answerOptions([](editor::ImgAtrib& d) { d.opt24BPP->setChecked(true); });
    expectInformation(written, 40, 30, "1.333", 2);
    z.mnuFileSaveAs_Click();
    EXPECT_EQ(imaging::codecs::inspect(written).bitsPerPixel, 24);
}

TEST_F(SaveAs, CancellingTheOptionsWritesNothingButStillShowsTheInformation) {
    editor::Zarn& z = startWith("cat.png");
    const QString source = document;
    prompter.expectSaveFile("Save As", platform::FileDialogResult{folder.filePath("dog"), 2});
    answerOptions({}, false);
    expectInformation(source, 40, 30, "1.333", 2);
    EXPECT_FALSE(z.mnuFileSaveAs_Click());
    EXPECT_FALSE(QFile::exists(folder.filePath("dog.jpg")));
}

TEST_F(SaveAs, AWriteFailureIsReportedNotPassedOffAsSaved) {
    editor::Zarn& z = startWith("cat.png");
    const QString source = document;
    const QString target = folder.filePath("missing/dog.bmp");
    prompter.expectSaveFile("Save As", platform::FileDialogResult{target, 1});
    answerOptions();
    expectSomeErrorBox();
    expectInformation(source, 40, 30, "1.333", 2);
    EXPECT_FALSE(z.mnuFileSaveAs_Click());
    EXPECT_TRUE(prompter.asked()[2].text.startsWith("Error: -2147220821\r\n\r\n"));
}

}  // namespace

namespace {

struct FormatCase {
    const char* name;
    int code;
    // Largest difference of a colour channel allowed after a write and a read.
    int tolerance;
};

class RoundTrip : public EditorTest, public ::testing::WithParamInterface<FormatCase> {};

// Opens a file of each format, turns the image and saves it in place: what comes back from
// the file must be the turned image, in the same format.
TEST_P(RoundTrip, OpenTurnAndSaveKeepsTheFormatAndThePixels) {
    const FormatCase c = GetParam();
    QImage original(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) original.setPixel(x, y, x < 12 ? 0xFFC81E1Eu : 0xFF1E1EC8u);
    const QString path = folder.filePath(QStringLiteral("picture.") + c.name);
    imaging::codecs::encode(original, path, c.code, {});
    editor::Zarn& z = start();
    open(path);
    ASSERT_EQ(z.ImgX().Info(imaging::kInfoFormatCode).toInt(), c.code);
    z.ImgX().effects().Flip(0, 0);
    z.mnuFileSave_Click();

    const QImage saved = imaging::codecs::decode(path, {});
    EXPECT_EQ(imaging::codecs::inspect(path).formatCode, c.code);
    ASSERT_EQ(saved.size(), original.size());
    const QImage expected = original.mirrored(true, false);
    int worst = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const QRgb a = saved.pixel(x, y), b = expected.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Values(FormatCase{"bmp", imaging::kFormatBmp, 0},
                                           FormatCase{"jpg", imaging::kFormatJpeg, 40},
                                           FormatCase{"png", imaging::kFormatPng, 0},
                                           FormatCase{"tif", imaging::kFormatTiff, 0},
                                           FormatCase{"pcx", imaging::kFormatPcx, 0},
                                           FormatCase{"tga", imaging::kFormatTga, 0},
                                           FormatCase{"wmf", imaging::kFormatWmf, 0},
                                           FormatCase{"emf", imaging::kFormatEmf, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

using SaveAsJpeg = EditorTest;

TEST_F(SaveAsJpeg, HonoursEightBitsAndTheQualityTyped) {
    editor::Zarn& z = startWith("cat.jpg");
    const QString source = document;
    const QString fine = folder.filePath("fine.jpg"), rough = folder.filePath("rough.jpg");
    for (const auto& [path, quality] : {std::pair{fine, "95"}, std::pair{rough, "10"}}) {
        prompter.expectSaveFile("Save As", platform::FileDialogResult{path, 2});
        answerOptions([quality = quality](editor::ImgAtrib& d) {
            d.opt8BPP->setChecked(true);
            d.txtJPGQuality->setText(quality);
        });
        prompter.expectMessage([this] { return prompter.asked().back().text; }, Buttons::Ok,
                               Icon::Information, "Image Data", Answer::Ok);
        z.mnuFileSaveAs_Click();
    }
    EXPECT_EQ(imaging::codecs::inspect(rough).bitsPerPixel, 8) << "grey";
    EXPECT_EQ(z.ImgX().Info(imaging::kInfoJpegQuality).toDouble(), 10.0);
    EXPECT_LT(QFileInfo(rough).size(), QFileInfo(fine).size());
}

}  // namespace
