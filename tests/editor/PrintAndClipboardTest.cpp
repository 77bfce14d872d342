#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <cstdlib>

#include "EditorFixture.h"
#include "editor/ImageView.h"
#include "imaging/ImgX.h"
#include "support/ImageFiles.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::EditorTest;
using testing_support::kLeftColour;
using testing_support::kRightColour;

constexpr int kDpi = 300;
// A Letter page at 300 dots per inch with margins of whole inches: 2550 x 3300 dots, of which
// the printable area starts at (150, 300) and is 2250 x 2700.
const QRect kPrintable(150, 300, 2250, 2700);

// Prints to a PDF file at `kDpi`, on a page whose printable area is kPrintable.
void printToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(kDpi);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0.5, 1, 0.5, 1), QPageLayout::Inch);
}

// The pages of a PDF file as poppler draws them at `kDpi`. Its cairo renderer, since the
// splash one of pdftoppm widens an image by the pixels its edges only touch.
QList<QImage> pages(const QString& pdf) {
    const QString prefix = pdf + QStringLiteral("-page");
    QProcess poppler;
    poppler.start(QStringLiteral("pdftocairo"), {QStringLiteral("-png"), QStringLiteral("-r"),
                                                 QString::number(kDpi), pdf, prefix});
    EXPECT_TRUE(poppler.waitForFinished(60000));
    EXPECT_EQ(poppler.exitCode(), 0) << poppler.readAllStandardError().toStdString();
    QList<QImage> result;
    const QFileInfo info(prefix);
    for (const QString& name :
         QDir(info.path()).entryList({info.fileName() + "*.png"}, QDir::Files, QDir::Name))
        result << QImage(QDir(info.path()).filePath(name)).convertToFormat(QImage::Format_RGB32);
    return result;
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
    return std::abs(qRed(pixel) - colour.red()) <= 10 &&
           std::abs(qGreen(pixel) - colour.green()) <= 10 &&
           std::abs(qBlue(pixel) - colour.blue()) <= 10;
}

// A width x height picture, its left half kLeftColour and its right half kRightColour.
QImage halves(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kRightColour);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x) image.setPixel(x, y, kLeftColour.rgb());
    return image;
}

struct PrintCase {
    const char* name;
    void (editor::Zarn::*command)();
    QRect covered;  // in printer dots, on the page
};

class Print : public EditorTest, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(Print, PutsThePictureOnOnePageWhereAndAsLargeAsTheCommandSays) {
    const PrintCase c = GetParam();
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(halves(100, 50), 0);
    const QString pdf = folder.filePath("print.pdf");
    printToPdf(z.printer(), pdf);
    (z.*c.command)();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const QList<QImage> printed = pages(pdf);
    ASSERT_EQ(printed.size(), 1);
    const QImage& page = printed.front();
    EXPECT_EQ(page.size(), QSize(2550, 3300));
    EXPECT_EQ(inked(page), c.covered);
    // Left half on the left, right half on the right, the right way up. (The points keep away
    // from the middle, which the PDF's JPEG compression blurs.)
    const QRect& r = c.covered;
    const int quarter = r.width() / 4;
    for (const QPoint p : {r.topLeft(), QPoint(r.left() + quarter, r.bottom())})
        EXPECT_TRUE(near(page.pixel(p), kLeftColour)) << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(r.right() - quarter, r.top()), r.bottomRight()})
        EXPECT_TRUE(near(page.pixel(p), kRightColour)) << p.x() << "," << p.y();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Print,
    ::testing::Values(
        // 2.2 printer dots per image pixel: 100 x 50 covers 220 x 110 dots.
        PrintCase{"TopLeft", &editor::Zarn::mnuFilePrintTL_Click,
                  QRect(kPrintable.topLeft(), QSize(220, 110))},
        // Stretched over the whole printable area, far more upwards than across.
        PrintCase{"FitToPage", &editor::Zarn::mnuFilePrintFit_Click, kPrintable}),
    [](const auto& info) { return std::string(info.param.name); });

struct PrintFailure {
    const char* name;
    bool hasImage;
    const char* file;  // in the test's folder
    const char* text;
    const char* title;
};

class FailingPrint : public EditorTest, public ::testing::WithParamInterface<PrintFailure> {};

TEST_P(FailingPrint, IsReportedInTheFullErrorBoxWithTheNormalPointerBack) {
    const PrintFailure c = GetParam();
    editor::Zarn& z = start();
    if (c.hasImage) z.ImgX().canvas().LoadFromPicture(halves(10, 10), 0);
    const QString pdf = folder.filePath(c.file);
    printToPdf(z.printer(), pdf);
    bool hourglassUnderBox = true;
    prompter.expectMessage(
        [&] {
            hourglassUnderBox = QApplication::overrideCursor() != nullptr;
            return QString::fromUtf8(c.text);
        },
        Buttons::Ok, Icon::Exclamation, c.title, Answer::Ok);
    z.menus().mnuFilePrintTL->trigger();
    EXPECT_FALSE(hourglassUnderBox);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(QFile::exists(pdf));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailingPrint,
    ::testing::Values(PrintFailure{"PrinterDoesNotStart", true, "missing/print.pdf",
                                   "Error: 482\r\n\r\nThe printer could not be started.",
                                   "Printer"},
                      PrintFailure{"NoImage", false, "print.pdf",
                                   "Error: -2147220838\r\n\r\nNo image is loaded.", "ImgX"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorTest, PrinterSetupChoosesThePrinterForLaterPrintsAndCancelKeepsIt) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(halves(10, 10), 0);
    const QString first = folder.filePath("first.pdf"), second = folder.filePath("second.pdf");
    prompter.expectPrinterSetup(true, [&](QPrinter& p) { printToPdf(p, first); });
    z.menus().mnuFilePrinterSetup->trigger();
    z.mnuFilePrintFit_Click();
    ASSERT_TRUE(QFile::remove(first));

    prompter.expectPrinterSetup(false, [&](QPrinter& p) { printToPdf(p, second); });
    z.menus().mnuFilePrinterSetup->trigger();
    z.mnuFilePrintFit_Click();
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_FALSE(QFile::exists(second));
}

// --- The clipboard ---

using Clipboard = EditorTest;

TEST_F(Clipboard, CopyThenPasteGivesBackTheSamePixelsAsOneUndoStep) {
    editor::Zarn& z = startWith("cat.png");
    const QImage original = z.ImgX().files().Picture().copy();
    openMenu(z.menus().mnuEdit);
    z.menus().mnuEditCopy->trigger();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasImage());
    EXPECT_FALSE(copied->hasText());
    EXPECT_FALSE(copied->hasUrls());

    z.ImgX().canvas().LoadFromPicture(halves(70, 90), 0);
    openMenu(z.menus().mnuEdit);
    z.menus().mnuEditPaste->trigger();
    EXPECT_EQ(z.ImgX().files().Picture().convertToFormat(QImage::Format_RGB32),
              original.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(z.view().size(), QSize(40, 30));
    EXPECT_EQ(z.menus().mnuEditUndo->text(), "Undo Paste");
    EXPECT_TRUE(z.ImgX().Modified());
    // The pasted picture has no file of its own: only Save As can write it.
    openMenu(z.menus().mnuFile);
    EXPECT_FALSE(z.menus().mnuFileSave->isEnabled());
    EXPECT_TRUE(z.menus().mnuFileSaveAs->isEnabled());
}

struct ClipboardContent {
    const char* name;
    void (*fill)(QClipboard&);
    bool pasteEnabled;
};

class PasteItem : public EditorTest, public ::testing::WithParamInterface<ClipboardContent> {};

TEST_P(PasteItem, IsOfferedOnlyForAPicture) {
    editor::Zarn& z = start();
    QApplication::clipboard()->clear();
    GetParam().fill(*QApplication::clipboard());
    openMenu(z.menus().mnuEdit);
    EXPECT_EQ(z.menus().mnuEditPaste->isEnabled(), GetParam().pasteEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, PasteItem,
    ::testing::Values(
        ClipboardContent{"Picture", [](QClipboard& c) { c.setImage(halves(4, 4)); }, true},
        ClipboardContent{"Text", [](QClipboard& c) { c.setText(QStringLiteral("cat.png")); },
                         false},
        ClipboardContent{"Nothing", [](QClipboard&) {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Clipboard, PastingTextIsReportedAndKeepsThePicture) {
    editor::Zarn& z = start();
    z.ImgX().canvas().LoadFromPicture(halves(10, 10), 0);
    QApplication::clipboard()->setText(QStringLiteral("not a picture"));
    prompter.expectMessage("Error: -2147220817\r\n\r\nThe clipboard holds no image.", Buttons::Ok,
                           Icon::Exclamation, "ImgX", Answer::Ok);
    z.mnuEditPaste_Click();
    EXPECT_EQ(z.ImgX().Width(), 10);
    EXPECT_EQ(z.ImgX().UndoCount(), 0);
}

}  // namespace
