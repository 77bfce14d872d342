#pragma once

#include <QImage>
#include <QMap>
#include <QObject>
#include <QVariant>
#include <array>
#include <cstdint>
#include <memory>

#include "imaging/History.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/effects/EffectTable.h"

namespace imaging {

class ImgX;

// Operations that replace the whole image.
class Canvas {
public:
    explicit Canvas(ImgX& owner) : x_(owner) {}
    // Loads image number `image` (1-based) of a file; starts a fresh history.
    void LoadFile(const QString& path, int image, int flags);
    // Takes a picture (an image held by the program) as a new document; fresh history.
    void LoadFromPicture(const QImage& picture, int flags);
    // The clipboard's image, as one undo step "Paste".
    void Paste(int flags);
    // A copy of another engine's image, as one undo step named by `caption`.
    void Assign(const ImgX& source, const QString& caption);

private:
    ImgX& x_;
};

class Files {
public:
    explicit Files(ImgX& owner) : x_(owner) {}
    // The image for showing, printing and the clipboard (shares the pixels; no copy).
    QImage Picture() const;
    // Writes the image with the format options held in Info; the document then is that file.
    // A page of a multi-page TIFF saved back to its file as TIFF keeps the file's other
    // pages; when they cannot be read back, nothing is written and the save fails.
    void SaveFile(const QString& path, int formatCode, int bits);

private:
    ImgX& x_;
};

class Viewer {
public:
    explicit Viewer(ImgX& owner) : x_(owner) {}
    // Facts of a file; imageCount is what a multi-image file holds.
    codecs::FileFacts FileInfo(const QString& path) const;
    // A preview fitted into `box`, decoded at reduced size where the format allows.
    QImage Thumbnail(const QString& path, QSize box) const;

private:
    ImgX& x_;
};

using Kernel3x3 = std::array<double, 9>;

// The pixel operations, each one undo step named after it.
class Effects {
public:
    explicit Effects(ImgX& owner) : x_(owner) {}
    void Flip(int direction, int flags);
    void Rotate(float degrees, int flags1, int flags2);
    void Resize(int width, int height, int keep1, int keep2, int flags);
    void Crop(int left, int top, int width, int height, int flags);
    void Sharpen(int percent, int flags);
    void Filter3x3(const Kernel3x3& kernel, double factor, int flags);
    void Convolve(const Kernel3x3& kernel, double divisor, int channels, int f1, int f2, int f3);
    void Grayscale(int flags);
    void CreateBlank(int width, int height, int color, int f1, int f2, int f3);
    void Merge(const ImgX& source, int x, int y, int opacity, int transparentColor, int flags);

    // Any effect of the table by name, with its arguments as numbers.
    void apply(const QString& name, const effects::Arguments& arguments);

private:
    ImgX& x_;
};

// One image with its settings and its undo history: the engine behind the editor and every
// short-lived image the program works on. Calls that fail throw imaging::Error and leave the
// image, its history and its settings as they were.
class ImgX final : public QObject {
    Q_OBJECT
public:
    explicit ImgX(QObject* parent = nullptr);
    ~ImgX() override;

    bool IsEmpty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // Distinct 24-bit colours the image uses.
    qint64 Colors() const;
    // Changed since it was loaded or saved (and not undone back to that state).
    bool Modified() const { return currentId_ != savedId_; }

    QVariant Info(int item) const;
    void setInfo(int item, const QVariant& value);

    // 0 holds the Changed notifications back while a command works through several steps;
    // any other value shows changes at once. Going back from 0 sends one Changed if
    // anything changed meanwhile.
    int ViewMode() const { return viewMode_; }
    void setViewMode(int mode);

    int UndoCount() const { return history_.undoCount(); }
    int RedoCount() const { return history_.redoCount(); }
    QString UndoCaption(int index) const { return history_.undoCaption(index); }
    QString RedoCaption(int index) const { return history_.redoCaption(index); }
    void Undo();
    void Redo();
    // Records the image as it is now as a step, so changes made pixel by pixel afterwards
    // (SetPixel) undo together.
    void SaveUndo(const QString& caption);

    // Plots one pixel, 0xRRGGBB. A point outside the image is ignored, as a pen off the
    // paper. Sends no Changed: a stroke is many points, and the caller shows it when done.
    void SetPixel(int x, int y, int color);

    Canvas& canvas() { return canvas_; }
    Files& files() { return files_; }
    Viewer& viewer() { return viewer_; }
    Effects& effects() { return effects_; }

    const QImage& image() const { return image_; }
    History& history() { return history_; }
    void setDecodeLimits(const codecs::DecodeLimits& limits) { decodeLimits_ = limits; }
    const codecs::DecodeLimits& decodeLimits() const { return decodeLimits_; }

signals:
    void Changed();

private:
    friend class Canvas;
    friend class Files;
    friend class Effects;

    void requireImage() const;
    // Makes `next` the image as one undo step named `caption`.
    void commit(QImage next, const QString& caption);
    // Makes `next` a new document: no history, not modified.
    void replaceDocument(QImage next, const QString& path, int formatCode);
    void notifyChanged();

    QImage image_;
    History history_;
    QMap<int, QVariant> info_;
    codecs::DecodeLimits decodeLimits_;
    int viewMode_ = 3;
    bool changePending_ = false;
    std::uint64_t currentId_ = 0;
    std::uint64_t savedId_ = 0;
    std::uint64_t nextId_ = 1;
    // The file of several pages the document is one of, and which; empty for any other
    // document. Kept apart from the Info items, which callers may set.
    QString pagesFile_;
    codecs::PageOfFile page_;

    Canvas canvas_{*this};
    Files files_{*this};
    Viewer viewer_{*this};
    Effects effects_{*this};
};

}  // namespace imaging
