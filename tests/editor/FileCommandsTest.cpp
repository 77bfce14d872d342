#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QSet>
#include <vector>

#include "EditorFixture.h"
#include "imaging/InfoItems.h"
#include "imaging/codecs/Codecs.h"
#include "support/SmallDisk.h"

namespace {

using namespace testing_support;
namespace codecs = imaging::codecs;

// Colours an image uses, counted plainly.
int distinctColours(const QString& path) {
    const QImage image = codecs::decode(path, {}).convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return int(QSet<QRgb>(pixels, pixels + image.width() * image.height()).size());
}

using Files = EditorTest;

TEST_F(Files, OpenShowsTheImageNamedInTheCaptionOrReportsWhyItCannot) {
    selectedFile = writeImage(folder.path(), "chosen.png", 8, 8);
    const QString path = writeImage(folder.path(), "cat.png", 64, 48);
    editor::Zarn& z = start();
    prompter.expectOpenFile("Open", std::nullopt);
    z.menus().mnuFileOpen->trigger();
    EXPECT_EQ(z.windowTitle(), "  Image ToolBox") << "a cancelled dialog changes nothing";
    EXPECT_TRUE(z.ImgX().IsEmpty());
    open(path);

    const platform::FileDialogRequest& asked = prompter.asked()[1].fileRequest;
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
    EXPECT_EQ(enabled({z.menus().mnuFileSave}, z.menus().mnuFile), "mnuFileSave");

    // A file that cannot be opened is reported in the full error box; the document stays.
    for (const QString& bad :
         {folder.write("notes.png", "just some words\n"), folder.write("empty.bmp", ""),
          folder.filePath("gone.jpg"), writePngHeader(folder.path(), "bomb.png", 20000, 20000)}) {
        SCOPED_TRACE(bad.toStdString());
        expectOpenDialog(bad);
        expectBox(engineErrorText([&](imaging::ImgX& e) { e.canvas().LoadFile(bad, 1, 0); }),
                  "ImgX");
        z.menus().mnuFileOpen->trigger();
        EXPECT_EQ(z.windowTitle(), "  cat.png");
        EXPECT_EQ(z.FileLenDat, QFileInfo(path).size());
        EXPECT_EQ(z.ImgX().Width(), 64);
    }
}

TEST_F(Files, OpenAsksTheImageNumberOfAFileOfSeveralUntilItIsOneOfThem) {
    const QString path =
        writeMultiPageTiff(folder.path(), "pages.tif", {{10, 10}, {20, 12}, {30, 14}});
    const auto answer = [&](std::optional<QString> text) {
        prompter.expectInput("This file contains 3 images.  Please select the image number. [1..3]",
                             "Quorvane", std::move(text));
    };
    editor::Zarn& z = start();
    // Giving up loads nothing and says nothing.
    const std::optional<QString> givingUp[] = {"0", std::nullopt, "", "none"};
    for (const std::optional<QString>& text : givingUp) {
        expectOpenDialog(path);
        answer(text);
        z.menus().mnuFileOpen->trigger();
        EXPECT_TRUE(z.ImgX().IsEmpty());
        EXPECT_EQ(z.windowTitle(), "  Image ToolBox");
    }
    expectOpenDialog(path);
    for (const char* wrong : {"4", "-1", "1e12"}) {
        answer(QString(wrong));
        expectBox("You entered an invalid image number.", "Quorvane", Icon::None);
    }
    answer(" 2 x");
    z.menus().mnuFileOpen->trigger();
    EXPECT_EQ(z.ImgX().Width(), 20) << "the second page";
    EXPECT_EQ(prompter.asked()[1].defaultText, "1");
}

TEST_F(Files, OpenPaintsAnIconsTransparentAreasInTheChosenColour) {
    // A 16 x 16 icon, its left half transparent and its right half red.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(8, 0, 8, 16, Qt::red);
    const QString path = folder.filePath("app.ICO");
    ASSERT_TRUE(icon.save(path, "ico"));
    editor::Zarn& z = start();
    for (const std::optional<QColor> colour :
         {std::optional<QColor>(), std::optional(QColor(0, 255, 0))}) {
        expectOpenDialog(path);
        expectBox("Please select a color to use for the icon's transparent areas.", "Quorvane",
                  Icon::None);
        prompter.expectColor(colour);
        z.menus().mnuFileOpen->trigger();
        EXPECT_EQ(z.ImgX().IsEmpty(), !colour) << "a cancelled colour loads nothing";
    }
    EXPECT_EQ(z.view().picture().pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(z.view().picture().pixelColor(15, 15), QColor(Qt::red));
    EXPECT_EQ(z.ImgX().Info(imaging::kInfoIconBackground).toInt(), 0x00FF00);
    EXPECT_EQ(z.windowTitle(), "  app.ICO");
}

// Opens a file of each format, turns the image and saves it in place: what comes back from
// the file must be the turned image, in the same format, within the loss the format allows.
// The format is read from the content, not the name.
TEST_F(Files, SaveInPlaceKeepsTheFormatAndThePixelsOrReportsAFailureAndKeepsTheEdits) {
    QDir(folder.path()).mkdir("sub");
    QImage original = filled({24, 16}, QColor(0x1E, 0x1E, 0xC8));
    QPainter(&original).fillRect(0, 0, 12, 16, QColor(0xC8, 0x1E, 0x1E));
    const QImage expected = original.mirrored(true, false);
    const std::tuple<const char*, int, int> cases[] = {
        {"bmp", imaging::kFormatBmp, 0},    {"jpg", imaging::kFormatJpeg, 40},
        {"png", imaging::kFormatPng, 0},    {"tif", imaging::kFormatTiff, 0},
        {"pcx", imaging::kFormatPcx, 0},    {"tga", imaging::kFormatTga, 0},
        {"wmf", imaging::kFormatWmf, 0},    {"emf", imaging::kFormatEmf, 0},
        {"png.jpg", imaging::kFormatPng, 0}};
    for (const auto& [suffix, code, tolerance] : cases) {
        SCOPED_TRACE(suffix);
        const QString path = folder.filePath(QStringLiteral("sub/picture.") + suffix);
        codecs::encode(original, path, code, {});
        open(path);
        ASSERT_EQ(zarn->ImgX().Info(imaging::kInfoFormatCode).toInt(), code);
        zarn->ImgX().effects().Flip(0, 0);
        zarn->menus().mnuFileSave->trigger();

        EXPECT_EQ(codecs::inspect(path).formatCode, code);
        EXPECT_EQ(zarn->FileLenDat, QFileInfo(path).size());
        EXPECT_FALSE(zarn->ImgX().Modified());
        const QImage saved = codecs::decode(path, {}).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), original.size());
        int worst = 0;  // the largest difference of a colour channel
        for (qsizetype i = 0; i < saved.sizeInBytes(); ++i)
            worst = std::max(worst, std::abs(saved.constBits()[i] - expected.constBits()[i]));
        EXPECT_LE(worst, tolerance);
    }
    zarn->ImgX().effects().Flip(0, 0);
    QDir(folder.filePath("sub")).removeRecursively();
    expectSomeErrorBox();
    zarn->menus().mnuFileSave->trigger();
    EXPECT_TRUE(prompter.asked().back().text.startsWith("Error: -2147220821\r\n\r\n"));
    EXPECT_TRUE(zarn->ImgX().Modified());
}

// On a full disk the error box gives the system's reason, the file keeps every byte and the
// image stays modified: nothing suggests the edit is safe on the disk.
TEST_F(Files, SaveOnAFullDiskShowsWhyAndKeepsTheOldFile) {
    SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    const std::pair<const char*, int> formats[] = {{"picture.bmp", imaging::kFormatBmp},
                                                   {"picture.jpg", imaging::kFormatJpeg},
                                                   {"picture.png", imaging::kFormatPng},
                                                   {"picture.tif", imaging::kFormatTiff}};
    for (const auto& [name, code] : formats) {
        SCOPED_TRACE(name);
        const QString path = disk.filePath(QString::fromLatin1(name));
        codecs::encode(filled({24, 16}, QColor(0x1E, 0x1E, 0xC8)), path, code, {});
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        open(path);
        zarn->ImgX().effects().Flip(1, 0);
        disk.fill();
        expectBox(QStringLiteral("Error: -2147220821\r\n\r\nThe file \"%1\" could not be "
                                 "written: No space left on device.")
                      .arg(QDir::toNativeSeparators(path)),
                  "ImgX");
        zarn->menus().mnuFileSave->trigger();
        EXPECT_TRUE(prompter.allAnswered());
        EXPECT_TRUE(zarn->ImgX().Modified());
        file.seek(0);
        EXPECT_EQ(file.readAll(), before);
        EXPECT_EQ(disk.entries(), QStringList{name});
        file.close();
        QFile::remove(path);
        QFile::remove(disk.filePath(QStringLiteral("filler")));
    }
}

// Every page of a file, as the decoder shows it.
std::vector<QImage> decodedPages(const QString& path) {
    std::vector<QImage> pages;
    for (int n = 1; n <= codecs::inspect(path).imageCount; ++n) {
        codecs::DecodeOptions options;
        options.imageNumber = n;
        pages.push_back(codecs::decode(path, options));
    }
    return pages;
}

class SavePage : public EditorTest, public ::testing::WithParamInterface<int> {
protected:
    // Opens page `page` of a TIFF of three through File > Open, marks its top left corner
    // red and flips it as Image > Flip > Horizontal does.
    void openAndFlip(int page) {
        document = writeMultiPageTiff(folder.path(), "pages.tif", {{10, 10}, {20, 12}, {30, 14}});
        expectOpenDialog(document);
        prompter.expectInput("This file contains 3 images.  Please select the image number. [1..3]",
                             "Quorvane", QString::number(page));
        start().menus().mnuFileOpen->trigger();
        zarn->ImgX().SetPixel(0, 0, 0xFF0000);
        zarn->menus().mnu_FHoriz->trigger();
    }
};

TEST_P(SavePage, WritesThePageBackAmongTheOthers) {
    const int page = GetParam();
    openAndFlip(page);
    std::vector<QImage> expected = decodedPages(document);
    expected[page - 1].setPixel(0, 0, qRgb(255, 0, 0));
    expected[page - 1] = expected[page - 1].mirrored(true, false);
    zarn->menus().mnuFileSave->trigger();

    EXPECT_EQ(decodedPages(document), expected);
    EXPECT_FALSE(zarn->ImgX().Modified());
    EXPECT_EQ(zarn->FileLenDat, QFileInfo(document).size());
    EXPECT_EQ(zarn->windowTitle(), "  pages.tif");
}

INSTANTIATE_TEST_SUITE_P(Pages, SavePage, testing::Values(1, 2, 3),
                         [](const auto& info) { return "Page" + std::to_string(info.param); });

// The file lost a page behind the editor's back: a one-page file would lose the rest.
TEST_F(SavePage, RefusesWhenTheFileNoLongerHoldsThePagesItHad) {
    openAndFlip(2);
    writeMultiPageTiff(folder.path(), "pages.tif", {{10, 10}, {20, 12}});
    const QByteArray shrunk = [&] {
        QFile file(document);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    expectBox("Error: -2147220821\r\n\r\nThe file \"" + QDir::toNativeSeparators(document) +
                  "\" could not be written: its other pages could not be read back, so nothing "
                  "was written (it now holds 2 image(s), not the 3 it held when image 2 was "
                  "opened).",
              "ImgX");
    zarn->menus().mnuFileSave->trigger();

    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), shrunk);
    EXPECT_TRUE(zarn->ImgX().Modified());
}

struct SaveAsCase {
    const char *name, *document;  // the document is opened first
    int proposedFilter;
    const char* proposedName;
    int chosenFilter;
    const char *typed, *written;
    int format;
    bool choose24Bits;  // in the options dialog
    int bits;
};

class SaveAs : public EditorTest, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAs, WritesTheTypeOfTheChosenFilterUnderTheTypedName) {
    const SaveAsCase c = GetParam();
    editor::Zarn& z = startWith(c.document);
    const QString typed = folder.filePath(c.typed), written = folder.filePath(c.written);
    prompter.expectSaveFile("Save As", FileDialogResult{typed, c.chosenFilter});
    answerOptions([&](editor::ImgAtrib& d) {
        if (c.choose24Bits) d.opt24BPP->setChecked(true);
    });
    expectInformation(written, distinctColours(document));
    z.menus().mnuFileSaveAs->trigger();

    const platform::FileDialogRequest& asked = prompter.asked()[1].fileRequest;
    EXPECT_EQ(asked.fileName, c.proposedName);
    EXPECT_EQ(asked.filterIndex, c.proposedFilter);
    EXPECT_EQ(asked.filter,
              "Windows Bitmap  (BMP)|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.emf|"
              "Joint Photographic Experts Group  (JPG)|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;"
              "*.wmf;*.emf|");
    const codecs::FileFacts facts = codecs::inspect(written);
    EXPECT_EQ(facts.formatCode, c.format);
    EXPECT_EQ(facts.bitsPerPixel, c.bits);
    EXPECT_EQ(z.FileLenDat, QFileInfo(written).size());
    EXPECT_EQ(z.windowTitle(), QString("  ") + c.document) << "a save leaves the caption";
    EXPECT_EQ(z.TypeFile, c.format == imaging::kFormatJpeg ? "JPG" : "BMP");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAs,
    ::testing::Values(SaveAsCase{"JpegProposesItsNameAndFilter", "cat.jpg", 2, "cat", 2, "dog",
                                 "dog.jpg", imaging::kFormatJpeg, false, 24},
                      SaveAsCase{"FilterDecidesNotTheName", "cat.jpg", 2, "cat", 2, "dog.bmp",
                                 "dog.bmp", imaging::kFormatJpeg, false, 24},
                      SaveAsCase{"BitmapProposesEightBits", "my.cat.bmp", 1, "my", 1, "dog",
                                 "dog.bmp", imaging::kFormatBmp, false, 8},
                      SaveAsCase{"OtherFormatsKeepTheLastFilter", "cat.png", 1, "cat", 1, "dog",
                                 "dog.bmp", imaging::kFormatBmp, false, 8},
                      SaveAsCase{"TheOptionsChosenInTheDialog", "cat.bmp", 1, "cat", 1, "big.bmp",
                                 "big.bmp", imaging::kFormatBmp, true, 24}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveAs, AJpegHonoursEightBitsAndTheQualityTypedAndNothingWrittenIsNotPassedOffAsSaved) {
    editor::Zarn& z = startWith("cat.jpg");
    const int colours = distinctColours(document);
    // The options cancelled: the information still shows.
    prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath("dog"), 2});
    answerOptions({}, false);
    expectInformation(document, colours);
    z.menus().mnuFileSaveAs->trigger();
    EXPECT_FALSE(QFile::exists(folder.filePath("dog.jpg")));
    // A folder that is not there.
    prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath("missing/dog.bmp"), 1});
    answerOptions();
    expectSomeErrorBox();
    expectInformation(document, colours);
    z.menus().mnuFileSaveAs->trigger();
    EXPECT_FALSE(QFile::exists(folder.filePath("missing/dog.bmp")));
    EXPECT_TRUE(prompter.asked().end()[-2].text.startsWith("Error: -2147220821\r\n\r\n"));

    const QString fine = folder.filePath("fine.jpg"), rough = folder.filePath("rough.jpg");
    for (const auto& [path, quality] : {std::pair{fine, "95"}, std::pair{rough, "10"}}) {
        prompter.expectSaveFile("Save As", FileDialogResult{path, 2});
        answerOptions([quality = quality](editor::ImgAtrib& d) {
            d.opt8BPP->setChecked(true);
            d.txtJPGQuality->setText(quality);
        });
        prompter.expectMessage([this] { return prompter.asked().back().text; }, Buttons::Ok,
                               Icon::Information, "Image Data", Answer::Ok);
        z.menus().mnuFileSaveAs->trigger();
    }
    EXPECT_EQ(codecs::inspect(rough).bitsPerPixel, 8) << "grey";
    EXPECT_EQ(z.ImgX().Info(imaging::kInfoJpegQuality).toDouble(), 10.0);
    EXPECT_LT(QFileInfo(rough).size(), QFileInfo(fine).size());
}

constexpr int kDpi = 300;
// A Letter page at 300 dots per inch with margins of whole inches: 2550 x 3300 dots, of which
// the printable area starts at (150, 300) and is 2250 x 2700.
const QRect kPrintable(150, 300, 2250, 2700);

// Prints to a PDF file at `kDpi`, on a page whose printable area is kPrintable.
void printToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(kDpi);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                      QMarginsF(0.5, 1, 0.5, 1), QPageLayout::Inch));
}

// The page of a one-page PDF file as poppler draws it at `kDpi`; null for more pages. Its
// cairo renderer, since the splash one of pdftoppm widens an image by the pixels its edges
// only touch.
QImage onlyPage(const QString& pdf) {
    EXPECT_EQ(QProcess::execute("pdftocairo", {"-png", "-r", QString::number(kDpi), pdf, pdf}), 0);
    if (QFile::exists(pdf + "-2.png")) return {};
    return QImage(pdf + "-1.png").convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel that is not paper white.
QRect inked(const QImage& page) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 230) box |= QRect(x, y, 1, 1);
    return box;
}

// Within the small loss a compressed image in a PDF may bring.
bool near(QRgb pixel, const QColor& colour) {
    return std::max({std::abs(qRed(pixel) - colour.red()), std::abs(qGreen(pixel) - colour.green()),
                     std::abs(qBlue(pixel) - colour.blue())}) <= 10;
}

// The printer chosen in Printer Setup holds for the later prints; a cancelled setup keeps it.
TEST_F(Files, PrintPutsThePictureOnOnePageWhereAndAsLargeAsTheCommandSays) {
    QImage picture = filled({100, 50}, kRightColour);
    QPainter(&picture).fillRect(0, 0, 50, 50, kLeftColour);
    editor::Zarn& z = startWithPicture(picture);
    const QString pdf = folder.filePath("print.pdf"), other = folder.filePath("other.pdf");
    prompter.expectPrinterSetup(true, [&](QPrinter& p) { printToPdf(p, pdf); });
    z.menus().mnuFilePrinterSetup->trigger();
    const std::pair<QAction*, QRect> cases[] = {
        // 2.2 printer dots per image pixel: 100 x 50 covers 220 x 110 dots.
        {z.menus().mnuFilePrintTL, QRect(kPrintable.topLeft(), QSize(220, 110))},
        // Stretched over the whole printable area, far more upwards than across.
        {z.menus().mnuFilePrintFit, kPrintable}};
    for (const auto& [command, r] : cases) {
        SCOPED_TRACE(command->objectName().toStdString());
        command->trigger();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        const QImage page = onlyPage(pdf);
        ASSERT_EQ(page.size(), QSize(2550, 3300));
        EXPECT_EQ(inked(page), r);
        // Left half on the left, right half on the right, the right way up. (The points keep
        // away from the middle, which the PDF's JPEG compression blurs.)
        const int quarter = r.width() / 4;
        for (const QPoint p : {r.topLeft(), QPoint(r.left() + quarter, r.bottom())})
            EXPECT_TRUE(near(page.pixel(p), kLeftColour)) << p.x() << "," << p.y();
        for (const QPoint p : {QPoint(r.right() - quarter, r.top()), r.bottomRight()})
            EXPECT_TRUE(near(page.pixel(p), kRightColour)) << p.x() << "," << p.y();
        ASSERT_TRUE(QFile::remove(pdf));
        prompter.expectPrinterSetup(false, [&](QPrinter& p) { printToPdf(p, other); });
        z.menus().mnuFilePrinterSetup->trigger();
    }
    EXPECT_FALSE(QFile::exists(other));
}

TEST_F(Files, PrintReportsAFailureInTheFullErrorBoxWithTheNormalPointerBack) {
    editor::Zarn& z = start();
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"print.pdf", "Error: -2147220838\r\n\r\nNo image is loaded.", "ImgX"},
        {"missing/print.pdf", "Error: 482\r\n\r\nThe printer could not be started.", "Printer"}};
    for (const auto& [file, text, title] : cases) {
        const QString pdf = folder.filePath(file);
        printToPdf(z.printer(), pdf);
        bool hourglassUnderBox = true;
        const auto box = [&, text = text] {
            hourglassUnderBox = QApplication::overrideCursor() != nullptr;
            return QString::fromUtf8(text);
        };
        prompter.expectMessage(box, Buttons::Ok, Icon::Exclamation, title, Answer::Ok);
        z.menus().mnuFilePrintTL->trigger();
        EXPECT_FALSE(hourglassUnderBox) << text;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(QFile::exists(pdf));
        z.ImgX().canvas().LoadFromPicture(filled({10, 10}, Qt::red),
                                          0);  // the printer's turn to fail
    }
}

TEST_F(Files, PasteIsOfferedForAPictureAndGivesBackTheCopiedPixelsAsOneUndoStep) {
    editor::Zarn& z = startWith("cat.png");
    const editor::ZarnMenus& m = z.menus();
    QClipboard& clipboard = *QApplication::clipboard();
    for (const int content : {0, 2, 1}) {  // nothing, a picture, text
        clipboard.clear();
        if (content == 1) clipboard.setText(QStringLiteral("cat.png"));
        if (content == 2) clipboard.setImage(filled({4, 4}, Qt::red));
        EXPECT_EQ(enabled({m.mnuEditPaste}, m.mnuEdit), content == 2 ? "mnuEditPaste" : "")
            << content;
    }
    // The item is disabled then; the command itself must still fail safely.
    expectBox("Error: -2147220817\r\n\r\nThe clipboard holds no image.", "ImgX");
    z.mnuEditPaste_Click();
    EXPECT_EQ(z.ImgX().Width(), 40) << "the picture stays";
    EXPECT_EQ(z.ImgX().UndoCount(), 0);

    const QImage original = z.ImgX().files().Picture().convertToFormat(QImage::Format_RGB32);
    openMenu(m.mnuEdit);
    m.mnuEditCopy->trigger();
    const QMimeData* copied = clipboard.mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasImage());
    EXPECT_FALSE(copied->hasText());
    EXPECT_FALSE(copied->hasUrls());

    z.ImgX().canvas().LoadFromPicture(filled({70, 90}, Qt::red), 0);
    openMenu(m.mnuEdit);
    m.mnuEditPaste->trigger();
    EXPECT_EQ(z.ImgX().files().Picture().convertToFormat(QImage::Format_RGB32), original);
    EXPECT_EQ(z.view().size(), QSize(40, 30));
    EXPECT_EQ(m.mnuEditUndo->text(), "Undo Paste");
    EXPECT_TRUE(z.ImgX().Modified());
    // The pasted picture has no file of its own: only Save As can write it; it can be printed.
    EXPECT_EQ(enabled({m.mnuFileSave, m.mnuFileSaveAs, m.mnuFilePrint->menuAction()}, m.mnuFile),
              "mnuFileSaveAs mnuFilePrint");
}

}  // namespace
