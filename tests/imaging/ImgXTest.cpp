#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <memory>

#include "imaging/EngineTesting.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace {

using engine_testing::caseName;
using engine_testing::errorNumberOf;
using imaging::History;
using imaging::ImgX;

// A 4 x 3 image whose every pixel differs, so any geometric change shows.
QImage pattern() {
    QImage image(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgb(x * 60, y * 100, 7));
    return image;
}

// A second engine holding a flat square, to merge or assign from.
std::unique_ptr<ImgX> flatEngine(int size, int color) {
    auto other = std::make_unique<ImgX>();
    other->effects().CreateBlank(size, size, color, 0, 0, 0);
    return other;
}

class Engine : public ::testing::Test {
protected:
    Engine() {
        QObject::connect(&x, &ImgX::Changed, [this] { ++changes; });
    }
    QString writePattern(const QString& name) {
        pattern().save(folder.filePath(name), "PNG");
        return folder.filePath(name);
    }
    // Loads the pattern and starts counting Changed notifications from there.
    void load() {
        x.canvas().LoadFile(writePattern(QStringLiteral("pattern.png")), 1, 0);
        changes = 0;
    }

    testing_support::TempFolder folder;
    ImgX x;
    int changes = 0;
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

struct Call {
    const char* name;
    QString caption;  // of the undo step, where the call makes one
    std::function<void(ImgX&)> call;
};

class OnAnEmptyImage : public Engine, public ::testing::WithParamInterface<Call> {};

TEST_P(OnAnEmptyImage, FailsWithNoImageAndChangesNothing) {
    EXPECT_EQ(errorNumberOf([&] { GetParam().call(x); }), imaging::kNoImage);
    EXPECT_TRUE(x.IsEmpty());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_EQ(changes, 0);
}

const imaging::Kernel3x3 kIdentity = {0, 0, 0, 0, 1, 0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Calls, OnAnEmptyImage,
    ::testing::Values(
        // Every effect goes through the same check; Flip stands for them all.
        Call{"Flip", "", [](ImgX& x) { x.effects().Flip(0, 0); }},
        Call{"Assign", "", [](ImgX& x) { x.canvas().Assign(ImgX(), "Copy"); }},
        Call{"SaveFile", "", [](ImgX& x) { x.files().SaveFile("/tmp/never.bmp", 6, 24); }},
        Call{"SaveUndo", "", [](ImgX& x) { x.SaveUndo("Drawing"); }},
        Call{"SetPixel", "", [](ImgX& x) { x.SetPixel(0, 0, 0); }},
        Call{"LoadFromPicture", "", [](ImgX& x) { x.canvas().LoadFromPicture(QImage(), 0); }}),
    caseName);

TEST_F(Engine, LoadingMakesAFreshUnmodifiedDocumentAndSaysSoOnce) {
    load();
    x.effects().Flip(0, 0);
    const QString path = writePattern(QStringLiteral("second.png"));
    changes = 0;
    x.canvas().LoadFile(path, 1, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_EQ(x.Colors(), 12);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_EQ(x.RedoCount(), 0);
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "second.png");
    EXPECT_EQ(x.Info(imaging::kInfoFilePath).toString(), path);
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), imaging::kFormatPng);
}

class EachChange : public Engine, public ::testing::WithParamInterface<Call> {};

TEST_P(EachChange, IsOneNamedStepThatUndoesExactly) {
    load();
    GetParam().call(x);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(x.Modified());
    ASSERT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(x.UndoCaption(0), GetParam().caption);
    const QImage after = x.image();

    x.Undo();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_FALSE(x.Modified()) << "undo returned to the loaded state";
    EXPECT_EQ(x.RedoCaption(0), GetParam().caption);

    x.Redo();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(x.image(), after);
    EXPECT_TRUE(x.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EachChange,
    ::testing::Values(
        Call{"Flip", "Flip", [](ImgX& x) { x.effects().Flip(0, 0); }},
        Call{"Rotate", "Rotate", [](ImgX& x) { x.effects().Rotate(90, 0, 0); }},
        Call{"Resize", "Resize", [](ImgX& x) { x.effects().Resize(8, 6, -1, -1, 0); }},
        Call{"Crop", "Crop", [](ImgX& x) { x.effects().Crop(1, 1, 2, 2, 0); }},
        Call{"Filter3x3", "Filter", [](ImgX& x) { x.effects().Filter3x3(kIdentity, -0.2, 0); }},
        Call{"Convolve", "Filter",
             [](ImgX& x) {
                 x.effects().Convolve({1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 7, 0, 0, 0);
             }},
        Call{"Sharpen", "Sharpen", [](ImgX& x) { x.effects().Sharpen(35, 0); }},
        Call{"Grayscale", "Grayscale", [](ImgX& x) { x.effects().Grayscale(0); }},
        Call{"Blank", "New Image",
             [](ImgX& x) { x.effects().CreateBlank(5, 5, 0xFF0000, 0, 0, 0); }},
        Call{"Merge", "Merge",
             [](ImgX& x) { x.effects().Merge(*flatEngine(2, 0x00FF00), 1, 1, 70, -1, 0); }},
        Call{"Assign", "Background",
             [](ImgX& x) { x.canvas().Assign(*flatEngine(3, 0x0000FF), "Background"); }}),
    caseName);

TEST_F(Engine, AFailingCallLeavesImageHistoryAndStateAlone) {
    load();
    x.effects().Flip(0, 0);
    const QImage before = x.image();
    changes = 0;
    EXPECT_EQ(errorNumberOf([&] { x.canvas().LoadFile(folder.filePath("missing.png"), 1, 0); }),
              imaging::kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { x.effects().Resize(0, 10, -1, -1, 0); }), imaging::kInvalidSize);
    EXPECT_EQ(errorNumberOf([&] { x.effects().Crop(50, 50, 5, 5, 0); }),
              imaging::kInvalidRectangle);
    EXPECT_EQ(x.image(), before);
    EXPECT_TRUE(x.Modified());
    EXPECT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(errorNumberOf([&] { x.Redo(); }), imaging::kNothingToRedo);
    x.Undo();
    EXPECT_EQ(errorNumberOf([&] { x.Undo(); }), imaging::kNothingToUndo);
}

TEST_F(Engine, StepsUndoAndRedoInTurnAndANewChangeDropsTheRedoSteps) {
    load();
    x.effects().Flip(0, 0);
    const QImage flipped = x.image();
    x.effects().Rotate(90, 0, 0);
    EXPECT_EQ(x.UndoCaption(0), "Rotate");
    EXPECT_EQ(x.UndoCaption(1), "Flip");
    EXPECT_EQ(x.UndoCaption(5), "");
    x.Undo();
    EXPECT_EQ(x.image(), flipped);
    EXPECT_EQ(x.RedoCaption(0), "Rotate");
    x.Undo();
    EXPECT_EQ(x.RedoCount(), 2);
    EXPECT_EQ(x.RedoCaption(0), "Flip");
    x.Redo();
    EXPECT_EQ(x.image(), flipped);
    EXPECT_EQ(x.UndoCaption(0), "Flip");
    x.effects().Crop(0, 0, 2, 2, 0);
    EXPECT_EQ(x.RedoCount(), 0);
    EXPECT_EQ(x.UndoCount(), 2);
    EXPECT_EQ(x.UndoCaption(0), "Crop");
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
    x.setViewMode(0);
    x.effects().Flip(0, 0);
    x.effects().Flip(1, 0);
    EXPECT_EQ(changes, 0);
    x.setViewMode(3);
    EXPECT_EQ(changes, 1);
    x.setViewMode(3);
    EXPECT_EQ(changes, 1);
}

TEST_F(Engine, WithUndoSwitchedOffNoStepsAreKept) {
    load();
    x.setInfo(imaging::kInfoUndoEnabled, 0);
    x.effects().Flip(0, 0);
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_TRUE(x.Modified());
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

TEST_F(Engine, LoadFromPictureStartsANewUnnamedDocument) {
    load();
    x.effects().Flip(0, 0);
    x.canvas().LoadFromPicture(pattern().convertToFormat(QImage::Format_Indexed8), 0);
    EXPECT_EQ(x.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.Info(imaging::kInfoFilePath).toString(), "");
}

// Steps "1" .. "count", each an image one row of `width` pixels (4 bytes a pixel).
void record(History& history, int count, int width) {
    QImage row(width, 1, QImage::Format_RGB32);
    row.fill(0xFF000000);
    for (int i = 1; i <= count; ++i) history.record(row, std::uint64_t(i), QString::number(i));
}

QStringList undoCaptions(const History& history) {
    QStringList captions;
    for (int i = 0; i < history.undoCount(); ++i) captions << history.undoCaption(i);
    return captions;
}

TEST(History, DropsTheOldestStepsBeyondEitherLimit) {
    History bySteps({3, std::int64_t(1) << 40});
    record(bySteps, 5, 1);
    EXPECT_EQ(undoCaptions(bySteps), (QStringList{"5", "4", "3"}));

    // Each 100-pixel row is 400 bytes: three fit into 1200 bytes, a fourth does not.
    History byBytes({50, 1200});
    record(byBytes, 4, 100);
    EXPECT_EQ(undoCaptions(byBytes), (QStringList{"4", "3", "2"}));
    EXPECT_EQ(byBytes.bytes(), 1200);
    QImage current(100, 1, QImage::Format_RGB32);
    std::uint64_t id = 9;
    byBytes.undo(current, id);
    EXPECT_EQ(byBytes.bytes(), 1200);
    byBytes.clear();
    EXPECT_EQ(byBytes.bytes(), 0);

    History tooSmall({50, 100});
    record(tooSmall, 1, 1000);
    EXPECT_EQ(tooSmall.undoCount(), 0);
    EXPECT_EQ(tooSmall.bytes(), 0);
}

TEST(History, TighterLimitsApplyAtOnce) {
    History history;
    record(history, 10, 1);
    history.setLimits({2, std::int64_t(1) << 30});
    EXPECT_EQ(undoCaptions(history), (QStringList{"10", "9"}));
}

}  // namespace
