#include <QImage>
#include <cstring>

#include "imaging/History.h"
#include "imaging/ImagingTesting.h"
#include "imaging/ImgX.h"
#include "imaging/history/TileCodec.h"

// The undo history: changed tiles against their neighbour, every state given back byte for
// byte, and the bounds in steps and in the bytes really held.
namespace {

using imaging::History;
namespace history = imaging::history;

// Every byte of every row, padding included: a gradient with noise, like a photo, so both
// predictors get used.
QImage noisy(int width, int height, QImage::Format format, quint32 seed) {
    QImage image(width, height, format);
    quint32 state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i) {
            state = state * 1664525u + 1013904223u;
            image.scanLine(y)[i] = uchar((i + y) / 3 + (state >> 28));
        }
    return image;
}

QImage photo() { return noisy(601, 517, QImage::Format_RGB32, 5); }

// A copy that shares nothing, padding and all.
QImage deepCopy(const QImage& image) {
    QImage copy = image.copy();
    if (!image.isNull()) std::memcpy(copy.bits(), image.constBits(), size_t(image.sizeInBytes()));
    return copy;
}

// The same bytes, padding included, and the same colour table, resolution and texts.
testing::AssertionResult identical(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size() || actual.format() != expected.format() ||
        actual.bytesPerLine() != expected.bytesPerLine() ||
        actual.colorTable() != expected.colorTable() || actual.text() != expected.text() ||
        actual.dotsPerMeterX() != expected.dotsPerMeterX())
        return testing::AssertionFailure() << actual.size() << " format " << actual.format();
    for (int y = 0; y < actual.height(); ++y)
        if (std::memcmp(actual.constScanLine(y), expected.constScanLine(y),
                        size_t(actual.bytesPerLine())) != 0)
            return testing::AssertionFailure() << "row " << y;
    return testing::AssertionSuccess();
}

// A one-pixel line from (x0, y0) to (x1, y1), as the pencil draws it.
void drawLine(QImage& image, int x0, int y0, int x1, int y1) {
    const int steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1});
    for (int i = 0; i <= steps; ++i)
        image.setPixel(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, qRgb(200, 30, 40));
}

TEST(TileCodec, StoresOnlyTheChangedTilesOfTheNineAndRestoresExactly) {
    const QImage before = noisy(601, 517, QImage::Format_RGB32, 1);
    const std::pair<std::function<void(QImage&)>, int> changes[] = {
        {[](QImage&) {}, 0},
        {[](QImage& i) { i.setPixel(600, 516, 0); }, 1},
        {[](QImage& i) { drawLine(i, 255, 255, 256, 256); }, 2},  // a corner of four tiles
        {[](QImage& i) { drawLine(i, 0, 300, 600, 300); }, 3},
        {[](QImage& i) { drawLine(i, 0, 0, 600, 516); }, 5},
        {[](QImage& i) { i = noisy(601, 517, i.format(), 2); }, 9}};
    for (const auto& [change, tiles] : changes) {
        QImage after = deepCopy(before);
        change(after);
        const history::EncodedImage encoded = history::encode(after, before);
        EXPECT_TRUE(encoded.relative());
        EXPECT_EQ(encoded.storedTiles(), tiles);
        EXPECT_TRUE(identical(history::decode(encoded, before), after));
        // Swapped into the state it was made against: that state becomes `after`, and what
        // comes back restores `before` in turn.
        QImage current = deepCopy(before);
        const history::EncodedImage back = history::swapInto(encoded, current);
        EXPECT_TRUE(identical(current, after));
        EXPECT_EQ(back.storedTiles(), tiles);
        EXPECT_TRUE(identical(history::decode(back, current), before));
    }
}

// One edit of the current state: a command's new image, or a pencil stroke made in place after
// the step was recorded.
using Edit = std::function<void(QImage&)>;

Edit pencil(int x0, int y0, int x1, int y1) {
    return [=](QImage& i) { drawLine(i, x0, y0, x1, y1); };
}

// Records edits as the engine does, keeping a copy of each state and its id.
struct Session {
    History history;
    QImage current;
    std::uint64_t id = 100;
    std::vector<QImage> states;
    std::vector<std::uint64_t> ids;

    explicit Session(const QImage& start, History::Limits limits = {})
        : history(limits), current(start), states{deepCopy(start)}, ids{id} {}

    void apply(const Edit& edit, const QString& caption = QStringLiteral("Step")) {
        history.record(current, id, caption);
        edit(current);
        states.push_back(deepCopy(current));
        ids.push_back(++id);
    }

    // Undoes (or redoes) to state `index`, checking each state on the way; `settle` lets the
    // background work finish before each step.
    void goTo(std::size_t index, bool settle) {
        for (auto position = std::size_t(history.undoCount()); position != index;) {
            if (settle) history.finishEncoding();
            // Every other step with the state still shown elsewhere, as by the toolbox's view:
            // it is then restored into memory of its own rather than in place.
            const QImage shown = position % 2 ? current : QImage();
            if (position > index) {
                history.undo(current, id);
                --position;
            } else {
                history.redo(current, id);
                ++position;
            }
            EXPECT_TRUE(identical(current, states[position]) << " at state " << position);
            EXPECT_EQ(id, ids[position]);
        }
    }
};

// Single pixels, strokes across tile borders, the whole image changed, crops to other sizes,
// format changes, resolution and text, and a small image between large ones.
TEST(History, UndoAndRedoRestoreEveryStateExactly) {
    const std::vector<Edit> edits = {
        pencil(5, 5, 5, 5),
        pencil(600, 516, 600, 516),
        pencil(0, 250, 600, 262),
        pencil(250, 0, 262, 516),
        [](QImage& i) { i = noisy(601, 517, QImage::Format_RGB32, 6); },
        [](QImage& i) { i = i.copy(3, 4, 333, 301); },
        pencil(1, 1, 300, 290),
        [](QImage& i) { i = i.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither); },
        [](QImage& i) { i = i.convertToFormat(QImage::Format_RGB32); },
        [](QImage& i) {
            i = deepCopy(i);
            i.setDotsPerMeterX(11811);
            i.setText(QStringLiteral("Title"), QStringLiteral("Beach"));
        },
        [](QImage& i) { i = i.copy(0, 0, 20, 20); },
        [](QImage& i) { i = photo(); },
        pencil(0, 0, 600, 516)};
    for (const bool settle : {true, false}) {
        Session run(photo());
        for (const Edit& edit : edits) {
            run.apply(edit);
            if (settle) run.history.finishEncoding();
        }
        const std::size_t last = run.states.size() - 1;
        for (std::size_t target :
             {std::size_t(0), last, last / 2, std::size_t(0), last, std::size_t(1)})
            run.goTo(target, settle);
        // Unrecorded pixels, as SetPixel without SaveUndo makes, after the neighbours were
        // encoded against the state before them, are kept.
        run.history.finishEncoding();
        drawLine(run.current, 10, 400, 590, 410);
        run.states[1] = deepCopy(run.current);
        run.goTo(0, true);
        run.goTo(last, false);
    }
}

TEST(History, CountsTheBytesItHoldsAndDropsTheOldestBeyondEitherLimit) {
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
    history.setLimits({3, held});
    EXPECT_EQ(history.undoCount(), 3) << "both limits are inclusive";
    history.setLimits({50, held - 1});
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_EQ(history.undoCaption(1), "b");
    EXPECT_EQ(history.bytes(), c.sizeInBytes() + bAgainstC);

    // Undo: c comes back whole, the state left goes to the redo side and is encoded against it
    // at once, and memory of b's size is held ready for the next undo while the byte bound
    // leaves room for it.
    QImage current = noisy(300, 300, QImage::Format_RGB32, 12);
    const std::int64_t leftAgainstC = history::encode(current, c).bytes();
    std::uint64_t id = 4;
    history.undo(current, id);
    EXPECT_EQ(id, 3u);
    EXPECT_TRUE(identical(current, c));
    history.setLimits({50, std::int64_t(1) << 30});
    history.finishEncoding();
    EXPECT_EQ(history.bytes(), leftAgainstC + bAgainstC + b.sizeInBytes());
    history.setLimits({50, leftAgainstC + bAgainstC});
    EXPECT_EQ(history.bytes(), leftAgainstC + bAgainstC);
    history.undo(current, id);
    EXPECT_TRUE(identical(current, b));
    history.clear();
    EXPECT_EQ(history.bytes(), 0);
}

}  // namespace
