#include <QClipboard>
#include <QGuiApplication>
#include <cstdint>
#include <memory>

#include "imaging/ImagingTesting.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"

// The engine as the editor drives it: every command one named step that undoes exactly, the
// modified state, the file settings, and change notifications.
namespace {

using namespace imaging_testing;
using imaging::ImgX;

// A 4 x 3 image whose every pixel differs, so any geometric change shows.
QImage pattern() {
    return made(4, 3, QImage::Format_RGB32, [](int x, int y) { return qRgb(x * 60, y * 100, 7); });
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

    TempFolder folder;
    ImgX x;
    int changes = 0;
};

// Each command by the caption of its step; the test is named after the caption.
const std::pair<QString, std::function<void(ImgX&)>> kCommands[] = {
    {"Flip", [](ImgX& x) { x.effects().Flip(0, 0); }},
    {"Rotate", [](ImgX& x) { x.effects().Rotate(90, 0, 0); }},
    {"Resize", [](ImgX& x) { x.effects().Resize(8, 6, -1, -1, 0); }},
    {"Crop", [](ImgX& x) { x.effects().Crop(1, 1, 2, 2, 0); }},
    {"Filter",
     [](ImgX& x) {
         x.effects().Filter3x3({0, 0, 0, 0, 1, 0, 0, 0, 0}, -0.2, 0);
     }},
    {"Sharpen", [](ImgX& x) { x.effects().Sharpen(35, 0); }},
    {"Grayscale", [](ImgX& x) { x.effects().Grayscale(0); }},
    {"New Image", [](ImgX& x) { x.effects().CreateBlank(5, 5, 0xFF0000, 0, 0, 0); }},
    {"Merge", [](ImgX& x) { x.effects().Merge(*flatEngine(2, 0x00FF00), 1, 1, 70, -1, 0); }},
    {"Background", [](ImgX& x) { x.canvas().Assign(*flatEngine(3, 0x0000FF), "Background"); }},
    {"Paste", [](ImgX& x) {
         QGuiApplication::clipboard()->setImage(QImage(2, 5, QImage::Format_RGB32));
         x.canvas().Paste(0);
     }}};

class EachChange : public Engine, public ::testing::WithParamInterface<int> {};

TEST_P(EachChange, IsOneNamedStepThatUndoesExactly) {
    const auto& [caption, command] = kCommands[GetParam()];
    load();
    command(x);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(x.Modified());
    ASSERT_EQ(x.UndoCount(), 1);
    EXPECT_EQ(x.UndoCaption(0), caption);
    const QImage after = x.image();
    x.Undo();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_FALSE(x.Modified()) << "undo returned to the loaded state";
    EXPECT_EQ(x.RedoCaption(0), caption);
    x.Redo();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(x.image(), after);
    EXPECT_TRUE(x.Modified());
}

INSTANTIATE_TEST_SUITE_P(Steps, EachChange, ::testing::Range(0, int(std::size(kCommands))),
                         [](const auto& info) {
                             return QString(kCommands[info.param].first).remove(' ').toStdString();
                         });

// Load, edit, fail, undo and redo, save, draw and load again, as one editing session does.
TEST_F(Engine, KeepsItsStepsAndModifiedStateThroughASession) {
    EXPECT_EQ(errorNumberOf([&] { x.effects().Flip(0, 0); }), imaging::kNoImage);
    EXPECT_EQ(errorNumberOf([&] { x.SaveUndo("Drawing"); }), imaging::kNoImage);
    EXPECT_EQ(changes, 0);
    load();
    EXPECT_EQ(x.Colors(), 12);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(x.Info(imaging::kInfoFileName).toString(), "pattern.png");
    EXPECT_EQ(x.Info(imaging::kInfoFormatCode).toInt(), imaging::kFormatPng);
    x.effects().Flip(0, 0);
    const QImage flipped = x.image();
    x.effects().Rotate(90, 0, 0);

    // Failing calls leave image, history and state alone, and say nothing.
    changes = 0;
    const QImage rotated = x.image();
    EXPECT_EQ(errorNumberOf([&] { x.canvas().LoadFile(folder.filePath("missing.png"), 1, 0); }),
              imaging::kFileNotFound);
    EXPECT_EQ(errorNumberOf([&] { x.effects().Crop(50, 50, 5, 5, 0); }),
              imaging::kInvalidRectangle);
    EXPECT_EQ(x.image(), rotated);
    EXPECT_EQ(x.UndoCount(), 2);
    EXPECT_EQ(changes, 0);

    x.Undo();
    x.Undo();
    EXPECT_EQ(errorNumberOf([&] { x.Undo(); }), imaging::kNothingToUndo);
    EXPECT_EQ(x.RedoCaption(0), "Flip");
    x.Redo();
    EXPECT_EQ(x.image(), flipped);
    x.effects().Crop(0, 0, 2, 2, 0);
    EXPECT_EQ(x.RedoCount(), 0) << "a new step drops the undone ones";
    EXPECT_EQ(x.UndoCaption(0), "Crop");

    const QString saved = folder.filePath(QStringLiteral("saved.bmp"));
    x.files().SaveFile(saved, imaging::kFormatBmp, 24);
    EXPECT_FALSE(x.Modified());
    EXPECT_EQ(QImage(saved).convertToFormat(QImage::Format_RGB32), x.image());
    x.Undo();
    EXPECT_TRUE(x.Modified()) << "the state before is not the saved one";
    x.Redo();
    EXPECT_FALSE(x.Modified());

    // The pencil: a recorded step, then pixels drawn in place; outside the image they are
    // passed over.
    x.SaveUndo("Drawing");
    EXPECT_FALSE(x.Modified());
    x.SetPixel(0, 0, 0x123456);
    x.SetPixel(-1, 0, 0);
    EXPECT_EQ(errorNumberOf([&] { x.SetPixel(1, 1, 0x1000000); }), imaging::kInvalidColor);
    EXPECT_EQ(x.image().pixel(0, 0), 0xFF123456u);
    EXPECT_TRUE(x.Modified());
    x.Undo();
    EXPECT_FALSE(x.Modified());

    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    EXPECT_EQ(errorNumberOf([&] { x.canvas().Paste(0); }), imaging::kClipboardEmpty);
    x.canvas().LoadFromPicture(pattern().convertToFormat(QImage::Format_Indexed8), 0);
    EXPECT_EQ(x.image(), pattern());
    EXPECT_EQ(x.UndoCount(), 0);
    EXPECT_FALSE(x.Modified());
}

}  // namespace
