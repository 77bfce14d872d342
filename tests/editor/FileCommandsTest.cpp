#include "EditorFixture.h"

namespace {

using namespace testing_support;
namespace codecs = imaging::codecs;

QImage decoded(const QString& path, int page = 1) {
    codecs::DecodeOptions options;
    options.imageNumber = page;
    return codecs::decode(path, options).convertToFormat(QImage::Format_RGB32);
}

using Files = EditorTest;

TEST_F(Files, OpenShowsTheImageNamedInTheCaptionOrReportsWhyItCannot) {
    selectedFile = writeImage(folder.path(), "chosen.png", 8, 8);
    editor::Zarn& z = startWith("cat.png");
    const platform::FileDialogRequest& asked = prompter.asked()[0].fileRequest;
    EXPECT_EQ(asked.filter,
              "All Images|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.heic;*.heif;*.avif;*.jxl|"
              "Windows Bitmap  (BMP)|*.bmp|Joint Photographic Experts Group  (JPG)|*.jpg|"
              "Portable Network Graphics  (PNG)|*.png|Tagged Image File  (TIF)|*.tif|"
              "ZSoft PaintBrush  (PCX)|*.pcx|Truevision Targa  (TGA)|*.tga|"
              "Windows Meta File  (WMF)|*.wmf|High Efficiency Image File  (HEIC)|*.heic;*.heif|"
              "AV1 Image File  (AVIF)|*.avif|JPEG XL  (JXL)|*.jxl|All Files|*.*");
    EXPECT_EQ(asked.initialFolder, folder.path()) << "starts where the main window's image is";
    EXPECT_EQ(std::tuple(z.windowTitle(), z.FileLenDat, z.view().picture().pixelColor(0, 0),
                         enabled({z.menus().mnuFileSave}, z.menus().mnuFile)),
              std::tuple(QString("  cat.png"), QFileInfo(document).size(), kLeftColour,
                         QString("mnuFileSave")));
    EXPECT_TRUE(z.NoLine && z.placement.OverlayArmed && !z.ImgX().Modified());
    prompter.expectOpenFile("Open", std::nullopt);
    z.menus().mnuFileOpen->trigger();
    for (const auto& [bad, reason] :
         {std::pair{folder.write("notes.png", "just some words\n"),
                    "-2147220825\r\n\r\nThe file \"%1\" is not an image this program can read: its "
                    "content is not a known image format."},
          std::pair{
              folder.filePath("gone.jpg"),
              "-2147220826\r\n\r\nThe file \"%1\" could not be opened: the file does not exist."},
          std::pair{
              writePngHeader(folder.path(), "bomb.png", 20000, 20000),
              "-2147220822\r\n\r\nThe image \"%1\" is too large: 20000 x 20000 pixels is more "
              "than the limit of 268435456 pixels (4096 MiB)."}}) {
        expectOpenDialog(bad);
        expectBox("Error: " + QString(reason).arg(bad), "ImgX");
        z.menus().mnuFileOpen->trigger();
        EXPECT_EQ(std::pair(z.windowTitle(), z.ImgX().Width()),
                  std::pair(QString("  cat.png"), 40));
    }
    // A phone's photo opens as any image does, but its format is not written: Save is off.
    open(writeImage(folder.path(), "photo.avif", 40, 30));
    EXPECT_EQ(std::tuple(z.windowTitle(), z.view().picture().pixelColor(0, 0),
                         enabled({z.menus().mnuFileSave}, z.menus().mnuFile)),
              std::tuple(QString("  photo.avif"), kLeftColour, QString()));
}

TEST_F(Files, OpenAsksTheImageOfAFileOfSeveralAndSaveWritesItBackInItsFormatOrSaysWhyNot) {
    document = writeMultiPageTiff(folder.path(), "pages.tif", {{10, 10}, {20, 12}, {30, 14}});
    const auto answer = [&](std::optional<QString> text) {
        prompter.expectInput("This file contains 3 images.  Please select the image number. [1..3]",
                             "Quorvane", std::move(text));
    };
    editor::Zarn& z = start();
    for (const std::optional<QString>& givingUp : {std::optional<QString>("0"), {}}) {
        expectOpenDialog(document);
        answer(givingUp);
        z.menus().mnuFileOpen->trigger();
        EXPECT_TRUE(z.ImgX().IsEmpty());
    }
    expectOpenDialog(document);
    for (const char* wrong : {"4", "-1", "1e12"}) {
        answer(QString(wrong));
        expectBox("You entered an invalid image number.", "Quorvane", Icon::None);
    }
    answer(" 2 x");
    z.menus().mnuFileOpen->trigger();
    EXPECT_EQ(prompter.asked()[1].defaultText, "1");
    const QImage first = decoded(document, 1), third = decoded(document, 3);
    z.menus().mnu_FHoriz->trigger();
    const QImage edited = z.ImgX().image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(edited.width(), 20) << "the second page";
    z.menus().mnuFileSave->trigger();
    EXPECT_EQ(std::tuple(decoded(document, 1), decoded(document, 2), decoded(document, 3)),
              std::tuple(first, edited, third));
    EXPECT_FALSE(z.ImgX().Modified());
    // The format is read from the content, not the name, and kept.
    QDir(folder.path()).mkdir("sub");
    const QImage original = filled({24, 16}, kLeftColour);
    for (const auto& [suffix, code] :
         {std::pair{"pcx", imaging::kFormatPcx}, std::pair{"png.jpg", imaging::kFormatPng}}) {
        const QString path = folder.filePath(QStringLiteral("sub/picture.") + suffix);
        codecs::encode(original, path, code, {});
        open(path);
        zarn->ImgX().effects().Resize(12, 8, -1, -1, 0);
        zarn->menus().mnuFileSave->trigger();
        EXPECT_EQ(std::tuple(codecs::inspect(path).formatCode, decoded(path), zarn->FileLenDat,
                             zarn->ImgX().Modified()),
                  std::tuple(code, original.scaled(12, 8), QFileInfo(path).size(), false));
    }
    zarn->ImgX().effects().Flip(0, 0);
    QDir(folder.filePath("sub")).removeRecursively();
    expectSomeBox("ImgX");
    zarn->menus().mnuFileSave->trigger();
    EXPECT_TRUE(prompter.asked().back().text.startsWith("Error: -2147220821\r\n\r\n"));
    EXPECT_TRUE(zarn->ImgX().Modified());
}

struct SaveAsCase {
    const char *document, *proposedName, *typed, *written;  // the document is opened first
    int proposedFilter, chosenFilter;
    bool choose24Bits;  // in the options dialog
    int format, bits;
};

class SaveAs : public EditorTest, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAs, WritesTheTypeOfTheChosenFilterUnderTheTypedName) {
    const SaveAsCase c = GetParam();
    editor::Zarn& z = startWith(c.document);
    const QString written = folder.filePath(c.written);
    prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath(c.typed), c.chosenFilter});
    QString shown;  // the format, whether the JPEG fields are on, the bits proposed
    answerOptions([&](editor::ImgAtrib& d) {
        shown = d.lblFormat->text() + (d.lstJPGDCT->isEnabled() ? " JPEG " : " ") +
                (d.opt24BPP->isChecked() ? "24" : "8");
        if (c.choose24Bits) d.opt24BPP->setChecked(true);
    });
    const QImage image = decoded(document);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    expectInformation(written, int(QSet<QRgb>(pixels, pixels + 40 * 30).size()));
    z.menus().mnuFileSaveAs->trigger();
    const platform::FileDialogRequest& asked = prompter.asked()[1].fileRequest;
    EXPECT_EQ(std::pair(asked.fileName, asked.filterIndex),
              std::pair(QString(c.proposedName), c.proposedFilter));
    EXPECT_EQ(asked.filter,
              "Windows Bitmap  (BMP)|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.emf|"
              "Joint Photographic Experts Group  (JPG)|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;"
              "*.wmf;*.emf|");
    const codecs::FileFacts facts = codecs::inspect(written);
    EXPECT_EQ(std::tuple(facts.formatCode, facts.bitsPerPixel, z.FileLenDat, z.windowTitle()),
              std::tuple(c.format, c.bits, QFileInfo(written).size(), QString("  ") + c.document))
        << "a save leaves the caption";
    EXPECT_EQ(shown, c.chosenFilter == 2 ? "Format:   Joint Photographic Experts Group JPEG 24"
                                         : "Format:   Windows Bitmap 8");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAs,
    ::testing::Values(
        SaveAsCase{"cat.jpg", "cat", "dog", "dog.jpg", 2, 2, false, imaging::kFormatJpeg, 24},
        SaveAsCase{"cat.jpg", "cat", "dog.bmp", "dog.bmp", 2, 2, false, imaging::kFormatJpeg, 24},
        SaveAsCase{"my.cat.bmp", "my", "dog", "dog.bmp", 1, 1, false, imaging::kFormatBmp, 8},
        SaveAsCase{"cat.png", "cat", "dog", "dog.bmp", 1, 1, false, imaging::kFormatBmp, 8},
        SaveAsCase{"cat.bmp", "cat", "big.bmp", "big.bmp", 1, 1, true, imaging::kFormatBmp, 24}));

// The options are written as the codecs read them: 16-bit numbers, not truth values or ints.
TEST_F(SaveAs, AJpegTakesTheQualityTypedAndNothingWrittenIsNotPassedOffAsSaved) {
    editor::Zarn& z = startWith("cat.jpg");
    prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath("dog"), 2});
    QStringList captions;
    answerOptions(
        [&](editor::ImgAtrib& d) {
            captions << d.windowTitle() << d.lstJPGDCT->itemText(3) << d.lblJPGQuality->text();
            for (const QAbstractButton* b : d.findChildren<QAbstractButton*>())
                captions << b->text();
        },
        false);
    expectSomeBox("Image Data", Icon::Information);  // the information still shows
    z.menus().mnuFileSaveAs->trigger();
    EXPECT_FALSE(QFile::exists(folder.filePath("dog.jpg")));
    prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath("missing/dog.bmp"), 1});
    answerOptions();
    expectSomeBox("ImgX");
    expectSomeBox("Image Data", Icon::Information);
    z.menus().mnuFileSaveAs->trigger();
    EXPECT_TRUE(prompter.asked().end()[-2].text.startsWith("Error: -2147220821\r\n\r\n"));
    EXPECT_EQ(captions.join('|'), folder.filePath("dog") +
                                      "|Floating Point|JPG Quality (10..100)|&8 Bits Per Pixel|&24 "
                                      "Bits Per Pixel|&Placeable|&Interlaced|&OK|&Cancel");
    for (const char* quality : {"95", "10"}) {
        prompter.expectSaveFile("Save As", FileDialogResult{folder.filePath(quality), 2});
        answerOptions([=](editor::ImgAtrib& d) {
            d.txtJPGQuality->clear();
            QTest::keyClicks(d.txtJPGQuality, QString(quality) + "x");  // a letter is refused
            d.lstJPGDCT->setCurrentIndex(2);
        });
        expectSomeBox("Image Data", Icon::Information);
        z.menus().mnuFileSaveAs->trigger();
    }
    QStringList written;
    for (const int item :
         {imaging::kInfoJpegQuality, imaging::kInfoInterlaced, imaging::kInfoJpegDctMethod})
        written << z.ImgX().Info(item).typeName() + (' ' + z.ImgX().Info(item).toString());
    EXPECT_EQ(written.join(", "), "double 10, short 0, short 2");
    EXPECT_LT(QFileInfo(folder.filePath("10.jpg")).size(),
              QFileInfo(folder.filePath("95.jpg")).size());
}

// A Letter page at 300 dots per inch with margins of whole inches: 2550 x 3300 dots, of which
// the printable area starts at (150, 300) and is 2250 x 2700.
void printToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(300);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                      QMarginsF(0.5, 1, 0.5, 1), QPageLayout::Inch));
}

// The printer chosen in Printer Setup holds for the later prints; a cancelled setup keeps it.
TEST_F(Files, PrintPutsThePictureOnOnePageWhereAndAsLargeAsTheCommandSaysOrSaysWhyNot) {
    editor::Zarn& z = start();
    const QString pdf = folder.filePath("print.pdf");
    printToPdf(z.printer(), pdf);
    expectBox("Error: -2147220838\r\n\r\nNo image is loaded.", "ImgX");
    z.menus().mnuFilePrintTL->trigger();
    QImage picture = filled({100, 50}, kRightColour);
    QPainter(&picture).fillRect(0, 0, 50, 50, kLeftColour);
    z.ImgX().canvas().LoadFromPicture(picture, 0);
    printToPdf(z.printer(), folder.filePath("missing/print.pdf"));
    expectBox("Error: 482\r\n\r\nThe printer could not be started.", "Printer");
    z.menus().mnuFilePrintTL->trigger();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    prompter.expectPrinterSetup(true, [&](QPrinter& p) { printToPdf(p, pdf); });
    z.menus().mnuFilePrinterSetup->trigger();
    prompter.expectPrinterSetup(false, [&](QPrinter& p) { printToPdf(p, pdf + ".not"); });
    z.menus().mnuFilePrinterSetup->trigger();
    // 2.2 printer dots per image pixel; or stretched over the whole printable area.
    for (const auto& [command, r] :
         {std::pair{z.menus().mnuFilePrintTL, QRect(150, 300, 220, 110)},
          std::pair{z.menus().mnuFilePrintFit, QRect(150, 300, 2250, 2700)}}) {
        command->trigger();
        // Drawn by poppler's cairo renderer: pdftoppm's splash widens an image.
        ASSERT_EQ(QProcess::execute("pdftocairo", {"-png", "-r", "300", pdf, pdf}), 0);
        EXPECT_FALSE(QFile::exists(pdf + "-2.png")) << "one page";
        const QImage page = QImage(pdf + "-1.png").convertToFormat(QImage::Format_RGB32);
        QRect inked;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 230) inked |= QRect(x, y, 1, 1);
        EXPECT_EQ(std::pair(page.size(), inked), std::pair(QSize(2550, 3300), r));
        // Left half on the left, the right way up, away from the middle JPEG blurs.
        for (const auto& [at, colour] :
             {std::pair{QPoint(r.left() + r.width() / 4, r.bottom()), kLeftColour},
              std::pair{QPoint(r.right() - r.width() / 4, r.top()), kRightColour}})
            EXPECT_LT(std::abs(qRed(page.pixel(at)) - colour.red()) +
                          std::abs(qBlue(page.pixel(at)) - colour.blue()),
                      20);
        QFile::remove(pdf);
    }
}

TEST_F(Files, PasteIsOfferedForAPictureAndGivesBackTheCopiedPixelsAsOneUndoStep) {
    editor::Zarn& z = startWith("cat.png");
    const editor::ZarnMenus& m = z.menus();
    QClipboard& clipboard = *QApplication::clipboard();
    clipboard.setText(QStringLiteral("cat.png"));
    EXPECT_EQ(enabled({m.mnuEditPaste}, m.mnuEdit), "");
    // Another program takes the picture off the clipboard while the menu is open.
    clipboard.setImage(filled({4, 4}, Qt::green));
    m.mnuEdit->popup(QPoint(0, 0));
    clipboard.setText(QStringLiteral("cat.png"));
    expectBox("Error: -2147220817\r\n\r\nThe clipboard holds no image.", "ImgX");
    QTest::mouseClick(m.mnuEdit, Qt::LeftButton, {},
                      m.mnuEdit->actionGeometry(m.mnuEditPaste).center());
    const QImage original = z.ImgX().files().Picture().convertToFormat(QImage::Format_RGB32);
    m.mnuEditCopy->trigger();
    ASSERT_TRUE(clipboard.mimeData()->hasImage());
    EXPECT_FALSE(clipboard.mimeData()->hasText() || clipboard.mimeData()->hasUrls());
    z.ImgX().canvas().LoadFromPicture(filled({70, 90}, Qt::red), 0);
    EXPECT_EQ(enabled({m.mnuEditPaste}, m.mnuEdit), "mnuEditPaste");
    m.mnuEditPaste->trigger();
    EXPECT_EQ(std::tuple(z.ImgX().files().Picture().convertToFormat(QImage::Format_RGB32),
                         z.view().size(), m.mnuEditUndo->text()),
              std::tuple(original, QSize(40, 30), QString("Undo Paste")));
    // The pasted picture has no file of its own: only Save As can write it.
    EXPECT_EQ(enabled({m.mnuFileSave, m.mnuFileSaveAs, m.mnuFilePrint->menuAction()}, m.mnuFile),
              "mnuFileSaveAs mnuFilePrint");
}

}  // namespace
