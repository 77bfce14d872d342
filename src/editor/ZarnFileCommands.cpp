// The editor's file commands: Open, Save and Save As.
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QRadioButton>
#include <QStandardPaths>
#include <cstdlib>
#include <limits>

#include "editor/ImageView.h"
#include "editor/ImgAtrib.h"
#include "editor/Zarn.h"
#include "imaging/FormatCode.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "operations/ImageFormats.h"
#include "operations/NumericText.h"
#include "operations/OperationFrame.h"
#include "platform/Prompter.h"

namespace editor {
namespace {

// The size a desktop shows icons at; of an icon's images, the one nearest to it is opened.
constexpr int kIconSize = 32;

QImage iconNearestToDefaultSize(imaging::ImgX& engine, const QString& path) {
    const int count = engine.viewer().FileInfo(path).imageCount;
    QImage best;
    for (int n = 1; n <= count; ++n) {
        imaging::codecs::DecodeOptions options;
        options.imageNumber = n;
        options.limits = engine.decodeLimits();
        QImage image = imaging::codecs::decode(path, options);
        const auto distance = [](const QImage& i) {
            return std::abs(i.width() - kIconSize) + std::abs(i.height() - kIconSize);
        };
        if (best.isNull() || distance(image) < distance(best)) best = std::move(image);
    }
    return best;
}

// The icon's transparent areas painted in the colour the user chose for them.
QImage onBackground(const QImage& icon, QRgb background) {
    QImage flat(icon.size(), QImage::Format_RGB32);
    flat.fill(background);
    QPainter(&flat).drawImage(0, 0, icon);
    return flat;
}

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

// Where a file dialog starts: the folder of the file last chosen or selected, else the
// user's pictures (or home) folder rather than wherever the program was started from.
QString startFolder(const QString& lastFile) {
    if (!lastFile.isEmpty()) return QFileInfo(lastFile).path();
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

}  // namespace

QString Zarn::dialogStartFolder() const { return startFolder(dialogFolder_); }

void Zarn::mnuFileOpen_Click() {
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.initialFolder = dialogStartFolder();
    request.filter = operations::openFilter();
    request.filterIndex = 1;
    const std::optional<platform::FileDialogResult> chosen =
        services_.prompter.openFile(request, this);
    if (!chosen) return;
    dialogFolder_ = chosen->path;
    const QString name = fileNameOf(chosen->path);

    operations::OperationFrame frame(services_.prompter, this);
    bool loadedImage = false;
    const bool ran = frame.attempt([&] {
        if (name.toUpper().endsWith(QStringLiteral(".ICO")))
            loadedImage = loadIcon(chosen->path);
        else
            loadedImage = loadImageFile(chosen->path);
        if (!loadedImage) return;
        setWindowTitle(QStringLiteral("  ") + name);
        view_->setPicture(imgX_->files().Picture());
        NoLine = true;
        centreOnScreen();
        measureFile();
        placement.OverlayArmed = true;
    });
    if (!ran) frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
}

bool Zarn::loadIcon(const QString& path) {
    services_.prompter.message(
        QStringLiteral("Please select a color to use for the icon's transparent areas."),
        platform::Buttons::Ok, platform::Icon::None, platform::defaultTitle(), this);
    const std::optional<QColor> colour = askColour(QString());
    if (!colour) return false;
    const QRgb background = colour->rgb();
    imgX_->setInfo(imaging::kInfoIconBackground, int(background & 0xFFFFFFu));
    imgX_->canvas().LoadFromPicture(
        onBackground(iconNearestToDefaultSize(*imgX_, path), background), 0);
    return true;
}

bool Zarn::loadImageFile(const QString& path) {
    const int count = imgX_->viewer().FileInfo(path).imageCount;
    const int imageNumber = count > 1 ? askImageNumber(count) : 1;
    if (imageNumber == 0) return false;
    imgX_->canvas().LoadFile(path, imageNumber, 0);
    return true;
}

int Zarn::askImageNumber(int count) {
    const QString prompt = QStringLiteral(
                               "This file contains %1 images.  Please select the image "
                               "number. [1..%1]")
                               .arg(count);
    for (;;) {
        const std::optional<QString> answer =
            services_.prompter.input(prompt, platform::defaultTitle(), QStringLiteral("1"), this);
        if (!answer) return 0;
        // A number too large for an image number is as wrong as one beyond the count.
        const std::optional<int> number =
            operations::toWholeNumber(operations::leadingNumber(*answer));
        if (number && *number == 0) return 0;
        if (number && *number >= 1 && *number <= count) return *number;
        services_.prompter.message(QStringLiteral("You entered an invalid image number."),
                                   platform::Buttons::Ok, platform::Icon::None,
                                   platform::defaultTitle(), this);
    }
}

void Zarn::measureFile() {
    const qint64 size = QFileInfo(imgX_->Info(imaging::kInfoFilePath).toString()).size();
    FileLenDat = qint32(std::min<qint64>(size, std::numeric_limits<qint32>::max()));
}

void Zarn::mnuFileSave_Click() {
    const int code = imgX_->Info(imaging::kInfoFormatCode).toInt();
    const QString path = imgX_->Info(imaging::kInfoFilePath).toString();
    if (!imaging::isWritableFormat(code) || path.isEmpty()) {
        mnuFileSaveAs_Click();
    } else {
        operations::OperationFrame frame(services_.prompter, this);
        if (!frame.attempt([&] { imgX_->files().SaveFile(path, code, 0); })) {
            frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
            return;
        }
    }
    measureFile();
}

bool Zarn::mnuFileSaveAs_Click() {
    QString proposed = imgX_->Info(imaging::kInfoFileName).toString();
    proposed = proposed.section(QLatin1Char('.'), 0, 0);
    const int documentCode = imgX_->Info(imaging::kInfoFormatCode).toInt();
    if (documentCode == imaging::kFormatBmp)
        saveFilterIndex_ = 1;
    else if (documentCode == imaging::kFormatJpeg)
        saveFilterIndex_ = 2;

    platform::FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.initialFolder = dialogStartFolder();
    request.fileName = proposed;
    request.filter = operations::saveFilter();
    request.filterIndex = saveFilterIndex_;
    const std::optional<platform::FileDialogResult> chosen =
        services_.prompter.saveFile(request, this);
    if (!chosen) return false;
    dialogFolder_ = chosen->path;
    saveFilterIndex_ = chosen->filterIndex;

    QString path = chosen->path;
    const bool hasDot = fileNameOf(path).contains(QLatin1Char('.'));
    if (!imgAtrib_) imgAtrib_ = new ImgAtrib(this);
    int code = imaging::kFormatBmp;
    if (chosen->filterIndex == 2) {
        code = imaging::kFormatJpeg;
        TypeFile = QStringLiteral("JPG");
        if (!hasDot) path += QStringLiteral(".jpg");
    } else {
        TypeFile = QStringLiteral("BMP");
        if (!hasDot) path += QStringLiteral(".bmp");
    }
    imgAtrib_->Setup(*imgX_, code, chosen->path, TypeFile);

    bool saved = false;
    if (!imgAtrib_->Cancelled) {
        const int bits = imgAtrib_->opt24BPP->isChecked() ? 24 : 8;
        operations::OperationFrame frame(services_.prompter, this);
        saved = frame.attempt([&] { imgX_->files().SaveFile(path, code, bits); });
        // Saying nothing would let the user believe the image is safe on disk.
        frame.report(operations::ReportStyle::Full, operations::Reported::AnyError);
    }
    measureFile();
    mnu_Info_Click();
    return saved;
}

}  // namespace editor
