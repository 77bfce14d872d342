// The editor's printing and clipboard commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPrinter>

#include "editor/Zarn.h"
#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "operations/OperationFrame.h"
#include "platform/Prompter.h"

namespace editor {
namespace {

// Top-Left prints each image pixel over this many printer pixels each way.
constexpr double kTopLeftScale = 2.2;

// The number the printer's own failures are reported under, as old programs knew it
// ("Printer error"); the engine's numbers are far from it.
constexpr std::int32_t kPrinterError = 482;

imaging::Error printerError(const char* description) {
    return imaging::Error(kPrinterError, QString::fromLatin1(description),
                          QStringLiteral("Printer"));
}

QImage currentPicture(imaging::ImgX& engine) {
    if (engine.IsEmpty())
        throw imaging::Error(imaging::kNoImage, QStringLiteral("No image is loaded."));
    return engine.files().Picture();
}

}  // namespace

void Zarn::connectPrintAndClipboard() {
    const ZarnMenus& m = menus_;
    connect(m.mnuFilePrinterSetup, &QAction::triggered, this, &Zarn::mnuFilePrinterSetup_Click);
    connect(m.mnuFilePrintTL, &QAction::triggered, this, &Zarn::mnuFilePrintTL_Click);
    connect(m.mnuFilePrintFit, &QAction::triggered, this, &Zarn::mnuFilePrintFit_Click);
    connect(m.mnuEditCopy, &QAction::triggered, this, &Zarn::mnuEditCopy_Click);
    connect(m.mnuEditPaste, &QAction::triggered, this, &Zarn::mnuEditPaste_Click);
}

QPrinter& Zarn::printer() {
    if (services_.printer) return *services_.printer;
    // Printer pixels are the printer's own dots, as the Top-Left scale counts them.
    if (!ownPrinter_) ownPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *ownPrinter_;
}

void Zarn::mnuFilePrinterSetup_Click() { services_.prompter.printerSetup(printer(), this); }

void Zarn::mnuFilePrintTL_Click() {
    printPicture([](QSize picture, QSizeF) {
        return QRectF(0, 0, picture.width() * kTopLeftScale, picture.height() * kTopLeftScale);
    });
}

void Zarn::mnuFilePrintFit_Click() {
    // The whole printable area, each way on its own: the proportions are not kept.
    printPicture([](QSize, QSizeF area) { return QRectF(QPointF(0, 0), area); });
}

void Zarn::printPicture(const std::function<QRectF(QSize picture, QSizeF area)>& place) {
    operations::OperationFrame frame(services_.prompter, this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    frame.attempt([&] {
        const QImage picture = currentPicture(*imgX_);
        QPainter painter;
        // The painter's origin is the top-left of the printable area, its viewport that area.
        if (!painter.begin(&printer())) throw printerError("The printer could not be started.");
        painter.drawImage(place(picture.size(), painter.viewport().size()), picture);
        if (!painter.end()) throw printerError("The page could not be printed.");
    });
    // Restored before any report, so the error box is not shown under an hourglass.
    QApplication::restoreOverrideCursor();
    frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
}

void Zarn::mnuEditCopy_Click() {
    operations::OperationFrame frame(services_.prompter, this);
    frame.attempt([&] {
        const QImage picture = currentPicture(*imgX_);
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setImage(picture);
    });
    frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
}

void Zarn::mnuEditPaste_Click() {
    operations::OperationFrame frame(services_.prompter, this);
    frame.attempt([&] { imgX_->canvas().Paste(0); });
    frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
}

}  // namespace editor
