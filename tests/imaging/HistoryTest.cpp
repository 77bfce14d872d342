#include <gtest/gtest.h>
#include <QImage>
#include <cstring>
#include <functional>
#include <vector>

#include "imaging/EngineTesting.h"
#include "imaging/History.h"
#include "imaging/ImgX.h"
#include "imaging/history/TileCodec.h"

namespace {

using engine_testing::caseName;
using imaging::History;
namespace history = imaging::history;

// Every byte of every row, padding included, from a cheap generator: a gradient with noise,
// like a photo, so both predictors get used.
QImage noisy(int width, int height, QImage::Format format, quint32 seed) {
    QImage image(width, height, format);
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
        QList<QRgb> table;
        for (int i = 0; i < (format == QImage::Format_Mono ? 2 : 256); ++i)
            table << qRgb(i, 255 - i, (i * 7) & 255);
        image.setColorTable(table);
    }
    quint32 state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = uchar((i + y) / 3 + (state >> 28));
        }
    }
    return image;
}

// A copy that shares nothing, padding and all.
QImage deepCopy(const QImage& image) {
    if (image.isNull()) return {};
    QImage copy(image.width(), image.height(), image.format());
    std::memcpy(copy.bits(), image.constBits(), size_t(image.sizeInBytes()));
    copy.setColorTable(image.colorTable());
    copy.setDotsPerMeterX(image.dotsPerMeterX());
    copy.setDotsPerMeterY(image.dotsPerMeterY());
    copy.setOffset(image.offset());
    for (const QString& key : image.textKeys()) copy.setText(key, image.text(key));
    return copy;
}

testing::AssertionResult identical(const QImage& actual, const QImage& expected) {
    if (actual.isNull() != expected.isNull()) return testing::AssertionFailure() << "null";
    if (actual.size() != expected.size() || actual.format() != expected.format() ||
        actual.bytesPerLine() != expected.bytesPerLine())
        return testing::AssertionFailure()
               << actual.width() << "x" << actual.height() << " format " << actual.format()
               << " line " << actual.bytesPerLine() << ", expected " << expected.width() << "x"
               << expected.height() << " format " << expected.format() << " line "
               << expected.bytesPerLine();
    for (int y = 0; y < actual.height(); ++y)
        for (qsizetype i = 0; i < actual.bytesPerLine(); ++i)
            if (actual.constScanLine(y)[i] != expected.constScanLine(y)[i])
                return testing::AssertionFailure() << "byte " << i << " of row " << y;
    if (actual.colorTable() != expected.colorTable())
        return testing::AssertionFailure() << "colour table";
    if (actual.dotsPerMeterX() != expected.dotsPerMeterX() ||
        actual.dotsPerMeterY() != expected.dotsPerMeterY() || actual.offset() != expected.offset())
        return testing::AssertionFailure() << "resolution or offset";
    for (const QString& key : expected.textKeys())
        if (actual.text(key) != expected.text(key))
            return testing::AssertionFailure() << "text " << key.toStdString();
    return testing::AssertionSuccess();
}

// Sets the pixels of a one-pixel line from (x0, y0) to (x1, y1), as the pencil does.
void drawLine(QImage& image, int x0, int y0, int x1, int y1) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i)
        image.setPixel(x0 + (x1 - x0) * i / std::max(1, steps),
                       y0 + (y1 - y0) * i / std::max(1, steps), qRgb(200, 30, 40));
}

// --- The codec on its own ---

struct TileCase {
    const char* name;
    std::function<void(QImage&)> change;
    int storedTiles;  // of the 3 x 3 tiles of a 601 x 517 image
};

class ChangedTiles : public testing::TestWithParam<TileCase> {};

TEST_P(ChangedTiles, AreTheOnlyOnesStoredAndDecodeExactly) {
    const QImage before = noisy(601, 517, QImage::Format_RGB32, 1);
    QImage after = deepCopy(before);
    GetParam().change(after);
    const history::EncodedImage encoded = history::encode(after, before);
    EXPECT_TRUE(encoded.relative());
    EXPECT_EQ(encoded.storedTiles(), GetParam().storedTiles);
    EXPECT_TRUE(identical(history::decode(encoded, before), after));
}

INSTANTIATE_TEST_SUITE_P(
    History, ChangedTiles,
    testing::Values(
        TileCase{"Nothing", [](QImage&) {}, 0},
        TileCase{"FirstPixel", [](QImage& i) { i.setPixel(0, 0, 0); }, 1},
        TileCase{"LastPixel", [](QImage& i) { i.setPixel(600, 516, 0); }, 1},
        TileCase{"CornerOfFourTiles", [](QImage& i) { drawLine(i, 255, 255, 256, 256); }, 2},
        TileCase{"RowAcross", [](QImage& i) { drawLine(i, 0, 300, 600, 300); }, 3},
        TileCase{"Diagonal", [](QImage& i) { drawLine(i, 0, 0, 600, 516); }, 5},
        TileCase{"OnlyTheAlphaByte", [](QImage& i) { i.scanLine(400)[4 * 520 + 3] ^= 1; }, 1},
        TileCase{"Everything", [](QImage& i) { i = noisy(601, 517, i.format(), 2); }, 9}),
    caseName);

struct FormatCase {
    const char* name;
    int width;
    int height;
    QImage::Format format;
};

class EveryFormat : public testing::TestWithParam<FormatCase> {};

// Sizes that are not a multiple of the tile, and rows with padding, in formats of 1 to 8
// bytes a pixel; against a neighbour with a few changes, and on its own.
TEST_P(EveryFormat, DecodesToTheSameBytes) {
    const FormatCase& c = GetParam();
    const QImage neighbour = noisy(c.width, c.height, c.format, 3);
    QImage image = deepCopy(neighbour);
    image.scanLine(c.height / 2)[0] ^= 0x5A;
    image.scanLine(c.height - 1)[image.bytesPerLine() - 1] ^= 0x81;
    image.setDotsPerMeterX(3780);
    image.setText(QStringLiteral("Comment"), QStringLiteral("kept"));
    const history::EncodedImage relative = history::encode(image, neighbour);
    EXPECT_TRUE(relative.relative());
    EXPECT_TRUE(identical(history::decode(relative, neighbour), image));
    const history::EncodedImage alone = history::encode(image, QImage());
    EXPECT_FALSE(alone.relative());
    EXPECT_TRUE(identical(history::decode(alone, QImage()), image));
}

INSTANTIATE_TEST_SUITE_P(
    History, EveryFormat,
    testing::Values(FormatCase{"OneByOne", 1, 1, QImage::Format_RGB32},
                    FormatCase{"Argb", 259, 300, QImage::Format_ARGB32},
                    FormatCase{"Premultiplied", 513, 2, QImage::Format_ARGB32_Premultiplied},
                    FormatCase{"Rgb888", 301, 257, QImage::Format_RGB888},
                    FormatCase{"Rgb16", 299, 17, QImage::Format_RGB16},
                    FormatCase{"Indexed8", 301, 260, QImage::Format_Indexed8},
                    FormatCase{"Grayscale8", 3, 700, QImage::Format_Grayscale8},
                    FormatCase{"Mono", 2100, 9, QImage::Format_Mono},
                    FormatCase{"Rgba64", 270, 11, QImage::Format_RGBA64}),
    caseName);

TEST(History, AStrokeOnAPhotoCostsAFractionOfAPercent) {
    const QImage before = noisy(1200, 900, QImage::Format_RGB32, 4);
    QImage after = deepCopy(before);
    drawLine(after, 10, 10, 1100, 850);
    const history::EncodedImage encoded = history::encode(before, after);
    EXPECT_LT(encoded.bytes(), before.sizeInBytes() / 200);
    EXPECT_TRUE(identical(history::decode(encoded, after), before));
}

// --- The history ---

// One edit of the current state: either a new image (a command's result), or a change made
// in place after the step was recorded (the pencil).
struct Edit {
    std::function<QImage(const QImage&)> result;
    std::function<void(QImage&)> inPlace;
};

Edit pencil(int x0, int y0, int x1, int y1) {
    return {nullptr, [=](QImage& i) { drawLine(i, x0, y0, x1, y1); }};
}

Edit replaced(std::function<QImage(const QImage&)> result) { return {std::move(result), nullptr}; }

struct Sequence {
    const char* name;
    QImage start;
    std::vector<Edit> edits;
};

// Records every edit as the engine does, keeping a copy of each state and its id.
struct Session {
    History history;
    QImage current;
    std::uint64_t id = 100;
    std::vector<QImage> states;
    std::vector<std::uint64_t> ids;

    Session(const QImage& start, History::Limits limits = {}) : history(limits), current(start) {
        states.push_back(deepCopy(start));
        ids.push_back(id);
    }

    void apply(const Edit& edit, const QString& caption) {
        history.record(current, id, caption);
        if (edit.inPlace)
            edit.inPlace(current);
        else
            current = edit.result(current);
        states.push_back(deepCopy(current));
        ids.push_back(++id);
    }

    // Undoes (or redoes) to state `index`, checking each state on the way.
    void goTo(std::size_t index, bool settle) {
        auto at = [&](std::size_t i) {
            return identical(current, states[i])
                   << " at state " << i << (settle ? " (settled)" : "");
        };
        std::size_t position = std::size_t(history.undoCount());
        while (position != index) {
            if (settle) history.finishEncoding();
            if (position > index) {
                history.undo(current, id);
                --position;
            } else {
                history.redo(current, id);
                ++position;
            }
            EXPECT_TRUE(at(position));
            EXPECT_EQ(id, ids[position]);
        }
    }
};

class Sequences : public testing::TestWithParam<Sequence> {};

TEST_P(Sequences, UndoAndRedoRestoreEveryStateExactly) {
    for (const bool settle : {true, false}) {
        Session run(GetParam().start);
        for (std::size_t i = 0; i < GetParam().edits.size(); ++i) {
            run.apply(GetParam().edits[i], QString::number(i + 1));
            if (settle) run.history.finishEncoding();
        }
        const std::size_t last = run.states.size() - 1;
        run.goTo(0, settle);
        run.goTo(last, settle);
        run.goTo(last / 2, settle);
        run.goTo(0, settle);
        run.goTo(last, settle);
        EXPECT_EQ(run.history.undoCount(), int(last));
    }
}

QImage photo() { return noisy(601, 517, QImage::Format_RGB32, 5); }

QImage toIndexed(const QImage& image) {
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

INSTANTIATE_TEST_SUITE_P(
    History, Sequences,
    testing::Values(
        Sequence{"Pixels",
                 photo(),
                 {pencil(5, 5, 5, 5), pencil(600, 516, 600, 516), pencil(300, 7, 300, 7)}},
        Sequence{"StrokesAcrossTileBorders",
                 photo(),
                 {pencil(0, 250, 600, 262), pencil(250, 0, 262, 516), pencil(0, 0, 600, 516)}},
        Sequence{"WholeImageChanged",
                 photo(),
                 {replaced([](const QImage&) { return noisy(601, 517, QImage::Format_RGB32, 6); }),
                  replaced([](const QImage& i) { return i.mirrored(true, false); }),
                  replaced([](const QImage& i) { return i.mirrored(false, true); })}},
        Sequence{"CropsToOtherSizes",
                 photo(),
                 {replaced([](const QImage& i) { return i.copy(3, 4, 333, 301); }),
                  pencil(1, 1, 300, 290),
                  replaced([](const QImage& i) { return i.copy(0, 0, 257, 1); })}},
        Sequence{"FormatChanges",
                 photo(),
                 {replaced(toIndexed),
                  replaced([](const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }),
                  replaced(toIndexed)}},
        Sequence{"ResolutionAndText",
                 photo(),
                 {replaced([](const QImage& i) {
                      QImage next = deepCopy(i);
                      next.setDotsPerMeterX(11811);
                      next.setText(QStringLiteral("Title"), QStringLiteral("Beach"));
                      return next;
                  }),
                  pencil(0, 0, 9, 9)}},
        Sequence{"OneByOne",
                 noisy(1, 1, QImage::Format_RGB32, 7),
                 {pencil(0, 0, 0, 0),
                  replaced([](const QImage&) { return noisy(1, 1, QImage::Format_RGB32, 8); })}},
        Sequence{"SmallAndLargeInTurn",
                 noisy(40, 30, QImage::Format_RGB32, 9),
                 {replaced([](const QImage&) { return photo(); }), pencil(1, 2, 500, 400),
                  replaced([](const QImage& i) { return i.copy(0, 0, 20, 20); }),
                  replaced([](const QImage&) { return photo(); })}}),
    caseName);

TEST(History, RecordingAfterAnUndoDropsTheRedoSteps) {
    Session run(photo());
    for (int i = 0; i < 4; ++i) run.apply(pencil(i * 100, 0, i * 100 + 50, 500), "Drawing");
    run.goTo(2, false);
    EXPECT_EQ(run.history.redoCount(), 2);
    run.states.resize(3);
    run.ids.resize(3);
    run.apply(replaced([](const QImage& i) { return i.mirrored(true, true); }), "Flip");
    EXPECT_EQ(run.history.redoCount(), 0);
    EXPECT_EQ(run.history.undoCaption(0), "Flip");
    run.goTo(0, false);
    run.goTo(3, true);
}

TEST(History, AStateChangedInPlaceAfterAnUndoIsKeptForRedo) {
    Session run(photo());
    run.apply(pencil(0, 0, 600, 516), "Drawing");
    run.apply(pencil(600, 0, 0, 516), "Drawing");
    run.goTo(1, true);
    run.history.finishEncoding();
    // Unrecorded pixels, as SetPixel without SaveUndo makes: the nearest steps were encoded
    // against the state before them.
    drawLine(run.current, 10, 400, 590, 410);
    run.states[1] = deepCopy(run.current);
    run.goTo(0, true);
    run.goTo(2, true);
}

TEST(History, KeepsTheNewestStepsWithinTheStepLimit) {
    Session run(photo(), {3, std::int64_t(1) << 40});
    for (int i = 1; i <= 5; ++i) run.apply(pencil(i, i, 500, 400 - i), QString::number(i));
    EXPECT_EQ(run.history.undoCount(), 3);
    EXPECT_EQ(run.history.undoCaption(0), "5");
    EXPECT_EQ(run.history.undoCaption(2), "3");
    run.states.erase(run.states.begin(), run.states.begin() + 2);
    run.ids.erase(run.ids.begin(), run.ids.begin() + 2);
    run.goTo(0, false);
    EXPECT_EQ(run.history.redoCaption(0), "3");
    run.goTo(3, true);
}

TEST(History, CountsTheBytesItHoldsAndDropsTheOldestBeyondTheByteLimit) {
    const QImage a = noisy(300, 300, QImage::Format_RGB32, 10);
    const QImage b = noisy(300, 300, QImage::Format_RGB32, 11);
    QImage c = deepCopy(b);
    drawLine(c, 0, 0, 299, 299);
    History history;
    history.record(a, 1, "a");
    EXPECT_EQ(history.bytes(), a.sizeInBytes());
    history.record(b, 2, "b");
    history.record(c, 3, "c");
    history.finishEncoding();
    const std::int64_t aAgainstB = history::encode(a, b).bytes();
    const std::int64_t bAgainstC = history::encode(b, c).bytes();
    const std::int64_t held = c.sizeInBytes() + bAgainstC + aAgainstB;
    EXPECT_EQ(history.bytes(), held);

    history.setLimits({50, held});
    EXPECT_EQ(history.undoCount(), 3);
    history.setLimits({50, held - 1});
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_EQ(history.undoCaption(1), "b");
    EXPECT_EQ(history.bytes(), c.sizeInBytes() + bAgainstC);

    // Undo: c comes back whole, the state left goes to the redo side whole.
    QImage current = noisy(300, 300, QImage::Format_RGB32, 12);
    std::uint64_t id = 4;
    history.undo(current, id);
    EXPECT_EQ(id, 3u);
    EXPECT_TRUE(identical(current, c));
    history.finishEncoding();
    EXPECT_EQ(history.bytes(), current.sizeInBytes() + bAgainstC);
}

TEST(History, KeepsMemoryForTheNextUndoOnlyWithinTheByteLimit) {
    const QImage a = noisy(300, 300, QImage::Format_RGB32, 13);
    const QImage b = noisy(300, 300, QImage::Format_RGB32, 14);
    const QImage c = noisy(300, 300, QImage::Format_RGB32, 15);
    History history;
    history.record(a, 1, "a");
    history.record(b, 2, "b");
    QImage current = c;
    std::uint64_t id = 3;
    history.undo(current, id);
    history.finishEncoding();
    // The next undo decodes a against b: memory of a's size is held ready for it.
    const std::int64_t aAgainstB = history::encode(a, b).bytes();
    EXPECT_EQ(history.bytes(), c.sizeInBytes() + aAgainstB + a.sizeInBytes());

    history.setLimits({50, c.sizeInBytes() + aAgainstB});
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(history.bytes(), c.sizeInBytes() + aAgainstB);
    history.undo(current, id);
    EXPECT_TRUE(identical(current, a));
    EXPECT_EQ(id, 1u);
}

TEST(History, ClearingWhileEncodingLeavesNothingBehind) {
    History history;
    QImage current = photo();
    for (int i = 0; i < 6; ++i) {
        history.record(current, std::uint64_t(i), "Step");
        current = noisy(601, 517, QImage::Format_RGB32, quint32(20 + i));
    }
    history.clear();
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(history.bytes(), 0);
    history.record(current, 1, "After");
    std::uint64_t id = 2;
    QImage next = photo();
    history.undo(next, id);
    EXPECT_TRUE(identical(next, current));
}

TEST(History, TheEnginesPencilStrokeUndoesAsOneStep) {
    imaging::ImgX engine;
    engine.canvas().LoadFromPicture(photo(), 0);
    const QImage loaded = deepCopy(engine.image());
    engine.SaveUndo(QStringLiteral("Drawing"));
    for (int x = 0; x < 600; ++x) engine.SetPixel(x, x * 516 / 600, 0x102030);
    const QImage drawn = deepCopy(engine.image());
    engine.effects().Flip(0, 0);
    const QImage flipped = deepCopy(engine.image());
    for (int round = 0; round < 2; ++round) {
        engine.Undo();
        EXPECT_TRUE(identical(engine.image(), drawn));
        engine.Undo();
        EXPECT_TRUE(identical(engine.image(), loaded));
        EXPECT_FALSE(engine.Modified());
        engine.Redo();
        EXPECT_TRUE(identical(engine.image(), drawn));
        engine.Redo();
        EXPECT_TRUE(identical(engine.image(), flipped));
    }
}

}  // namespace
