#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <functional>
#include <gtest/gtest.h>

#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace {

using imaging::Error;
using imaging::ImgX;

// Counts the Changed notifications of an engine.
struct ChangeCounter {
    explicit ChangeCounter(ImgX& x) { QObject::connect(&x, &ImgX::Changed, [this] { ++n; }); }
    int count() const { return n; }
    void clear() { n = 0; }
    int n = 0;
};

// A 4 x 3 image whose every pixel differs, so any geometric change shows.
QImage pattern() {
    QImage image(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgb(x * 60, y * 100, 7));
    return image;
}

int errorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.number;
    }
    return 0;
}

class Engine : public ::testing::Test {
protected:
    QString writePattern(const QString& name = QStringLiteral("pattern.png")) {
        const QString path = folder.filePath(name);
        pattern().save(path, "PNG");
        return path;
    }
    void load() { x.canvas().LoadFile(writePattern(), 1, 0); }

    testing_support::TempFolder folder;
    ImgX x;
    ChangeCounter changed{x};
};

TEST_F(Engine, StartsEmptyWithItsDefaultSettings) {
    EXPECT_TRUE(x.IsEmpty());
    EXPECT_EQ(x.Width(), 0);
    EXPECT_EQ(x.Height(), 0);
    EXPECT_EQ(x.Colors(), 0);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_EQ(x.ViewMode(), 3);
    EXPECT_EQ(x.Info(imaging::kInfoJpegQuality).toDouble(), 90.0);
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), 0);
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "");
    EXPECT_TRUE(x.Info(imaging::kInfoAutoOrient).toBool());
    x.setInfo(42, QStringLiteral("kept as given"));
    EXPECT_EQ(x.Info(42).toString(), "kept as given");
}

struct EmptyCall {
    const char* name;
    std::function<void(ImgX&)> call;
};

class OnAnEmptyImage : public Engine, public ::testing::WithParamInterface<EmptyCall> {};

TEST_P(OnAnEmptyImage, FailsWithNoImageAndChangesNothing) {
    EXPECT_EQ(errorNumberOf([&] { GetParam().call(x); }), imaging::kNoImage);
    EXPECT_TRUE(x.IsEmpty());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_EQ(changed.count(), 0);
}

const imaging::Kernel3x3 kIdentity = {0, 0, 0, 0, 1, 0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Calls, OnAnEmptyImage,
    ::testing::Values(
        EmptyCall{"Flip", [](ImgX& x) { x.effects().Flip(0, 0); }},
        EmptyCall{"Rotate", [](ImgX& x) { x.effects().Rotate(90, 0, 0); }},
        EmptyCall{"Resize", [](ImgX& x) { x.effects().Resize(10, 10, -1, -1, 0); }},
        EmptyCall{"Crop", [](ImgX& x) { x.effects().Crop(0, 0, 1, 1, 0); }},
        EmptyCall{"Sharpen", [](ImgX& x) { x.effects().Sharpen(10, 0); }},
        EmptyCall{"Filter3x3", [](ImgX& x) { x.effects().Filter3x3(kIdentity, 0.2, 0); }},
        EmptyCall{"Convolve", [](ImgX& x) { x.effects().Convolve(kIdentity, 1, 7, 0, 0, 0); }},
        EmptyCall{"Grayscale", [](ImgX& x) { x.effects().Grayscale(0); }},
        EmptyCall{"Merge",
                  [](ImgX& x) {
                      ImgX other;
                      x.effects().Merge(other, 0, 0, 100, -1, 0);
                  }},
        EmptyCall{"Assign",
                  [](ImgX& x) {
                      ImgX other;
                      x.canvas().Assign(other, "Copy");
                  }},
        EmptyCall{"SaveFile", [](ImgX& x) { x.files().SaveFile("/tmp/never.bmp", 6, 24); }},
        EmptyCall{"SaveUndo", [](ImgX& x) { x.SaveUndo("Drawing"); }},
        EmptyCall{"SetPixel", [](ImgX& x) { x.SetPixel(0, 0, 0); }},
        EmptyCall{"LoadFromPicture", [](ImgX& x) { x.canvas().LoadFromPicture(QImage(), 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Engine, LoadingMakesAFreshUnmodifiedDocumentAndSaysSoOnce) {
    load();
    x.effects().Flip(0, 0);
    const QString path = writePattern(QStringLiteral("second.png"));
    changed.clear();
    x.canvas().LoadFile(path, 1, 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_EQ(x.RedoCount(), 0);
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "second.png");
    EXPECT_EQ(x.Info(imaging::kInfoFilePath).toString(), path);
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), imaging::kFormatPng);
}

TEST_F(Engine, AFailedLoadKeepsTheDocument) {
    load();
    x.effects().Flip(1, 0);
    const QImage before = x.image();
    changed.clear();
    EXPECT_EQ(errorNumberOf([&] { x.canvas().LoadFile(folder.filePath("missing.png"), 1, 0); }),
              imaging::kFileNotFound);
    EXPECT_EQ(x.image(), before);
    EXPECT_TRUE(x.Modified());
    EXPECT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(changed.count(), 0);
}

struct Step {
    const char* name;
    QString caption;
    std::function<void(ImgX&)> change;
};

class EachChange : public Engine, public ::testing::WithParamInterface<Step> {};

TEST_P(EachChange, IsOneNamedStepThatUndoesExactly) {
    load();
    changed.clear();
    GetParam().change(x);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(x.Modified());
    ASSERT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(x.UndoCaption(0), GetParam().caption);
    const QImage after = x.image();

    x.Undo();
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_FALSE(x.Modified()) << "undo returned to the loaded state";
    EXPECT_EQ(x.RedoCaption(0), GetParam().caption);

    x.Redo();
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(x.image(), after);
    EXPECT_TRUE(x.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EachChange,
    ::testing::Values(
        Step{"Flip", "Flip", [](ImgX& x) { x.effects().Flip(0, 0); }},
        Step{"Rotate", "Rotate", [](ImgX& x) { x.effects().Rotate(90, 0, 0); }},
        Step{"Resize", "Resize", [](ImgX& x) { x.effects().Resize(8, 6, -1, -1, 0); }},
        Step{"Crop", "Crop", [](ImgX& x) { x.effects().Crop(1, 1, 2, 2, 0); }},
        Step{"Filter3x3", "Filter",
             [](ImgX& x) { x.effects().Filter3x3({0, 0, 0, 0, 1, 0, 0, 0, 0}, -0.2, 0); }},
        Step{"Convolve", "Filter",
             [](ImgX& x) { x.effects().Convolve({1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 7, 0, 0, 0); }},
        Step{"Sharpen", "Sharpen", [](ImgX& x) { x.effects().Sharpen(35, 0); }},
        Step{"Grayscale", "Grayscale", [](ImgX& x) { x.effects().Grayscale(0); }},
        Step{"Blank", "New Image", [](ImgX& x) { x.effects().CreateBlank(5, 5, 0xFF0000, 0, 0, 0); }},
        Step{"Merge", "Merge",
             [](ImgX& x) {
                 ImgX other;
                 other.effects().CreateBlank(2, 2, 0x00FF00, 0, 0, 0);
                 x.effects().Merge(other, 1, 1, 70, -1, 0);
             }},
        Step{"Assign", "Background",
             [](ImgX& x) {
                 ImgX other;
                 other.effects().CreateBlank(3, 3, 0x0000FF, 0, 0, 0);
                 x.canvas().Assign(other, "Background");
             }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Engine, AFailingOperationLeavesImageHistoryAndStateAlone) {
    load();
    x.effects().Flip(0, 0);
    const QImage before = x.image();
    changed.clear();
    EXPECT_EQ(errorNumberOf([&] { x.effects().Resize(0, 10, -1, -1, 0); }), imaging::kInvalidSize);
    EXPECT_EQ(errorNumberOf([&] { x.effects().Crop(50, 50, 5, 5, 0); }),
              imaging::kInvalidRectangle);
    EXPECT_EQ(x.image(), before);
    EXPECT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(errorNumberOf([&] { x.Redo(); }), imaging::kNothingToRedo);
    x.Undo();
    EXPECT_EQ(errorNumberOf([&] { x.Undo(); }), imaging::kNothingToUndo);
}

TEST_F(Engine, SavingMakesThePictureTheDocumentAndUnmodified) {
    load();
    x.effects().Flip(0, 0);
    const QString path = folder.filePath(QStringLiteral("saved.bmp"));
    x.files().SaveFile(path, imaging::kFormatBmp, 24);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.Info(imaging::kInfoFilePath).toString(), path);
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "saved.bmp");
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), imaging::kFormatBmp);
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), x.image());
    x.Undo();
    EXPECT_TRUE(x.Modified()) << "the loaded state is no longer the saved one";
    x.Redo();
    EXPECT_FALSE(x.Modified());
}

TEST_F(Engine, DrawingAfterSaveUndoIsUndoneAsOneStep) {
    load();
    x.SaveUndo("Drawing");
    EXPECT_FALSE(x.Modified()) << "recording a step is not yet a change";
    x.SetPixel(0, 0, 0x123456);
    x.SetPixel(3, 2, 0xABCDEF);
    x.SetPixel(-1, 0, 0);
    x.SetPixel(4, 0, 0);
    EXPECT_EQ(errorNumberOf([&] { x.SetPixel(1, 1, 0x1000000); }), imaging::kInvalidColor);
    EXPECT_EQ(x.image().pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(x.image().pixel(3, 2), 0xFFABCDEFu);
    EXPECT_TRUE(x.Modified());
    EXPECT_EQ(x.UndoCaption(0), "Drawing");
    x.Undo();
    EXPECT_EQ(x.image(), pattern());
    EXPECT_FALSE(x.Modified());
}

TEST_F(Engine, ViewModeZeroHoldsChangeNotificationsBackUntilItEnds) {
    load();
    changed.clear();
    x.setViewMode(0);
    x.effects().Flip(0, 0);
    x.effects().Flip(1, 0);
    EXPECT_EQ(changed.count(), 0);
    x.setViewMode(3);
    EXPECT_EQ(changed.count(), 1);
    x.setViewMode(3);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(Engine, WithUndoSwitchedOffNoStepsAreKept) {
    load();
    x.setInfo(imaging::kInfoUndoEnabled, 0);
    x.effects().Flip(0, 0);
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_TRUE(x.Modified());
}

TEST_F(Engine, TheHistoryIsBoundedByItsLimits) {
    load();
    x.history().setLimits({3, std::int64_t(1) << 30});
    for (int i = 0; i < 5; ++i) x.effects().Flip(i % 2, 0);
    EXPECT_EQ(x.UndoCount(), 3);
}

TEST_F(Engine, PasteTakesTheClipboardImageAsOneStep) {
    load();
    QImage pasted(2, 5, QImage::Format_RGB32);
    pasted.fill(qRgb(1, 2, 3));
    QGuiApplication::clipboard()->setImage(pasted);
    x.canvas().Paste(0);
    EXPECT_EQ(x.Width(), 2);
    EXPECT_EQ(x.Height(), 5);
    EXPECT_EQ(x.UndoCaption(0), "Paste");
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "");
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), 0);

    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    EXPECT_EQ(errorNumberOf([&] { x.canvas().Paste(0); }), imaging::kClipboardEmpty);
    EXPECT_EQ(x.UndoCount(), 1);
}

TEST_F(Engine, ColorsCountsDistinctColours) {
    load();
    EXPECT_EQ(x.Colors(), 12);
    x.effects().CreateBlank(7, 7, 0x336699, 0, 0, 0);
    EXPECT_EQ(x.Colors(), 1);
}

TEST_F(Engine, LoadFromPictureStartsANewUnnamedDocument) {
    load();
    x.effects().Flip(0, 0);
    QImage indexed = pattern().convertToFormat(QImage::Format_Indexed8);
    x.canvas().LoadFromPicture(indexed, 0);
    EXPECT_EQ(x.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.Info(imaging::kInfoFilePath).toString(), "");
}

}  // namespace
