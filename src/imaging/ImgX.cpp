#include "ImgX.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <cmath>

#include "imaging/Error.h"
#include "imaging/InfoItems.h"

namespace imaging {

namespace {

constexpr int kMaxColor = 0xFFFFFF;

QImage asWorkingFormat(const QImage& image) {
    if (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

effects::Arguments numbers(std::initializer_list<double> values) {
    return effects::Arguments{std::vector<double>(values), nullptr};
}

effects::Arguments withKernel(const Kernel3x3& kernel, std::initializer_list<double> rest) {
    effects::Arguments arguments;
    arguments.numbers.assign(kernel.begin(), kernel.end());
    arguments.numbers.insert(arguments.numbers.end(), rest);
    return arguments;
}

}  // namespace

ImgX::ImgX(QObject* parent) : QObject(parent) {
    info_[kInfoAutoOrient] = true;
    info_[kInfoUndoEnabled] = 1;
    info_[kInfoIconBackground] = kMaxColor;
    info_[kInfoJpegDctMethod] = 0;
    info_[kInfoInterlaced] = false;
    info_[kInfoJpegQuality] = 90.0;
    info_[kInfoFileName] = QString();
    info_[kInfoFilePath] = QString();
    info_[kInfoFormatCode] = int(kFormatNone);
    info_[kInfoPlaceable] = true;
}

ImgX::~ImgX() = default;

qint64 ImgX::Colors() const { return IsEmpty() ? 0 : effects::countColors(image_); }

QVariant ImgX::Info(int item) const { return info_.value(item); }

void ImgX::setInfo(int item, const QVariant& value) {
    info_[item] = value;
    if (item == kInfoUndoEnabled && value.toInt() == 0) history_.clear();
}

void ImgX::setViewMode(int mode) {
    viewMode_ = mode;
    if (viewMode_ != 0 && changePending_) notifyChanged();
}

void ImgX::notifyChanged() {
    if (viewMode_ == 0) {
        changePending_ = true;
        return;
    }
    changePending_ = false;
    emit Changed();
}

void ImgX::requireImage() const {
    if (IsEmpty()) throw Error(kNoImage, QStringLiteral("No image is loaded."));
}

void ImgX::commit(QImage next, const QString& caption) {
    if (info_.value(kInfoUndoEnabled).toInt() != 0) history_.record(image_, currentId_, caption);
    image_ = std::move(next);
    currentId_ = nextId_++;
    notifyChanged();
}

void ImgX::replaceDocument(QImage next, const QString& path, int formatCode) {
    history_.clear();
    image_ = std::move(next);
    currentId_ = savedId_ = nextId_++;
    info_[kInfoFilePath] = path;
    info_[kInfoFileName] = path.isEmpty() ? QString() : QFileInfo(path).fileName();
    info_[kInfoFormatCode] = formatCode;
    pagesFile_.clear();
    notifyChanged();
}

void ImgX::Undo() {
    if (UndoCount() == 0) throw Error(kNothingToUndo, QStringLiteral("There is nothing to undo."));
    history_.undo(image_, currentId_);
    notifyChanged();
}

void ImgX::Redo() {
    if (RedoCount() == 0) throw Error(kNothingToRedo, QStringLiteral("There is nothing to redo."));
    history_.redo(image_, currentId_);
    notifyChanged();
}

void ImgX::SaveUndo(const QString& caption) {
    requireImage();
    if (info_.value(kInfoUndoEnabled).toInt() != 0) history_.record(image_, currentId_, caption);
}

void ImgX::SetPixel(int x, int y, int color) {
    requireImage();
    if (color < 0 || color > kMaxColor)
        throw Error(kInvalidColor, QStringLiteral("The colour must be an RGB value from 0 to "
                                                  "0xFFFFFF."));
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    image_.setPixel(x, y, 0xFF000000u | QRgb(color));
    currentId_ = nextId_++;
}

// --- Canvas ---

void Canvas::LoadFile(const QString& path, int image, int) {
    codecs::DecodeOptions options;
    options.imageNumber = image;
    options.autoOrient = x_.info_.value(kInfoAutoOrient).toBool();
    options.limits = x_.decodeLimits_;
    int formatCode = kFormatNone;
    QImage loaded = asWorkingFormat(codecs::decode(path, options, &formatCode));
    // Saving a TIFF page back must keep the other pages, and find them as they were.
    const int pages =
        formatCode == kFormatTiff ? codecs::inspect(path, x_.decodeLimits_).imageCount : 1;
    const QString file = QFileInfo(path).absoluteFilePath();
    x_.replaceDocument(std::move(loaded), file, formatCode);
    if (pages > 1) {
        x_.pagesFile_ = file;
        x_.page_ = {image, pages};
    }
}

void Canvas::LoadFromPicture(const QImage& picture, int) {
    if (picture.isNull()) throw Error(kNoImage, QStringLiteral("The picture holds no image."));
    x_.replaceDocument(asWorkingFormat(picture), QString(), kFormatNone);
}

void Canvas::Paste(int) {
    // Without a GUI application (the command-line tool) there is no clipboard to read.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    const QImage pasted = gui ? QGuiApplication::clipboard()->image() : QImage();
    if (pasted.isNull())
        throw Error(kClipboardEmpty, QStringLiteral("The clipboard holds no image."));
    x_.commit(asWorkingFormat(pasted), QStringLiteral("Paste"));
    x_.info_[kInfoFileName] = QString();
    x_.info_[kInfoFilePath] = QString();
    x_.info_[kInfoFormatCode] = int(kFormatNone);
    x_.pagesFile_.clear();
}

void Canvas::Assign(const ImgX& source, const QString& caption) {
    source.requireImage();
    x_.commit(source.image_, caption);
}

// --- Files ---

QImage Files::Picture() const { return x_.image_; }

void Files::SaveFile(const QString& path, int formatCode, int bits) {
    x_.requireImage();
    const bool intoItsPages = formatCode == kFormatTiff && !x_.pagesFile_.isEmpty() &&
                              QFileInfo(path).absoluteFilePath() == x_.pagesFile_;
    if (intoItsPages) {
        codecs::encodeTiffPage(x_.image_, path, x_.page_, x_.decodeLimits_);
    } else {
        codecs::EncodeOptions options;
        options.bits = bits == 0 ? 24 : bits;
        options.jpegQuality = x_.info_.value(kInfoJpegQuality).toDouble();
        options.dctMethod = codecs::DctMethod(x_.info_.value(kInfoJpegDctMethod).toInt());
        options.interlaced = x_.info_.value(kInfoInterlaced).toBool();
        options.placeable = x_.info_.value(kInfoPlaceable).toBool();
        codecs::encode(x_.image_, path, formatCode, options);
        x_.pagesFile_.clear();
    }
    x_.savedId_ = x_.currentId_;
    x_.info_[kInfoFilePath] = QFileInfo(path).absoluteFilePath();
    x_.info_[kInfoFileName] = QFileInfo(path).fileName();
    x_.info_[kInfoFormatCode] = formatCode;
}

// --- Viewer ---

codecs::FileFacts Viewer::FileInfo(const QString& path) const {
    return codecs::inspect(path, x_.decodeLimits());
}

QImage Viewer::Thumbnail(const QString& path, QSize box) const {
    return codecs::decodeThumbnail(path, box, x_.decodeLimits());
}

// --- Effects ---

void Effects::apply(const QString& name, const effects::Arguments& arguments) {
    const effects::EffectEntry& entry = effects::effectNamed(name);
    if (entry.needsImage) x_.requireImage();
    QImage result;
    entry.apply(x_.image_, result, arguments);
    x_.commit(std::move(result), entry.caption);
}

void Effects::Flip(int direction, int flags) {
    apply(QStringLiteral("flip"), numbers({double(direction), double(flags)}));
}

void Effects::Rotate(float degrees, int flags1, int flags2) {
    apply(QStringLiteral("rotate"), numbers({double(degrees), double(flags1), double(flags2)}));
}

void Effects::Resize(int width, int height, int keep1, int keep2, int flags) {
    apply(QStringLiteral("resize"),
          numbers({double(width), double(height), double(keep1), double(keep2), double(flags)}));
}

void Effects::Crop(int left, int top, int width, int height, int flags) {
    apply(QStringLiteral("crop"),
          numbers({double(left), double(top), double(width), double(height), double(flags)}));
}

void Effects::Sharpen(int percent, int flags) {
    apply(QStringLiteral("sharpen"), numbers({double(percent), double(flags)}));
}

void Effects::Filter3x3(const Kernel3x3& kernel, double factor, int flags) {
    apply(QStringLiteral("filter3x3"), withKernel(kernel, {factor, double(flags)}));
}

void Effects::Convolve(const Kernel3x3& kernel, double divisor, int channels, int f1, int f2,
                       int f3) {
    apply(QStringLiteral("convolve"),
          withKernel(kernel, {divisor, double(channels), double(f1), double(f2), double(f3)}));
}

void Effects::Grayscale(int flags) { apply(QStringLiteral("grayscale"), numbers({double(flags)})); }

void Effects::CreateBlank(int width, int height, int color, int f1, int f2, int f3) {
    apply(QStringLiteral("blank"), numbers({double(width), double(height), double(color),
                                            double(f1), double(f2), double(f3)}));
}

void Effects::Merge(const ImgX& source, int x, int y, int opacity, int transparentColor,
                    int flags) {
    effects::Arguments arguments =
        numbers({double(x), double(y), double(opacity), double(transparentColor), double(flags)});
    arguments.source = &source.image_;
    apply(QStringLiteral("merge"), arguments);
}

}  // namespace imaging
