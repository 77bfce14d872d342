#include "History.h"

#include "imaging/history/BackgroundEncoder.h"
#include "imaging/history/TileCodec.h"

namespace imaging {

namespace {

bool sameShape(const QImage& a, const QImage& b) {
    return a.size() == b.size() && a.format() == b.format() && a.bytesPerLine() == b.bytesPerLine();
}

}  // namespace

std::int64_t History::Step::bytes() const {
    if (!whole.isNull()) return whole.sizeInBytes();
    return encoded ? encoded->bytes() : 0;
}

void History::Step::forgetEncoding() {
    if (encoding) encoding->cancel();
    encoding.reset();
    encoded.reset();
}

History::History() = default;

History::History(Limits limits) : limits_(limits) {}

History::~History() { clear(); }

void History::setLimits(Limits limits) {
    limits_ = limits;
    trim();
}

void History::record(const QImage& before, std::uint64_t beforeId, const QString& caption) {
    adoptFinishedEncodings();
    followCurrent(before);
    dropAll(redo_);
    // The step that was nearest now has `before` as its inner neighbour. One that came back
    // by an undo is already encoded against it.
    if (!undo_.empty()) encodeAgainst(undo_.back(), before);
    undo_.push_back({before, nullptr, nullptr, beforeId, caption});
    trim();
}

void History::clear() {
    dropAll(undo_);
    dropAll(redo_);
    anchor_ = QImage();
    dropSpare();
}

void History::dropAll(Side& side) {
    for (Step& step : side) step.forgetEncoding();
    side.clear();
}

QString History::undoCaption(int index) const {
    if (index < 0 || index >= undoCount()) return {};
    return undo_[undo_.size() - 1 - std::size_t(index)].caption;
}

QString History::redoCaption(int index) const {
    if (index < 0 || index >= redoCount()) return {};
    return redo_[redo_.size() - 1 - std::size_t(index)].caption;
}

void History::undo(QImage& current, std::uint64_t& currentId) {
    adoptFinishedEncodings();
    followCurrent(current);
    // Restored first: if that fails, the history is as it was.
    QImage state = stateOf(undo_.back(), current);
    Step step = std::move(undo_.back());
    undo_.pop_back();
    // The redo step pushed outwards gets the current state as its inner neighbour.
    if (!redo_.empty()) encodeAgainst(redo_.back(), current);
    redo_.push_back({current, nullptr, nullptr, currentId, step.caption});
    current = std::move(state);
    currentId = step.id;
    anchor_ = current;
    trim();
}

void History::redo(QImage& current, std::uint64_t& currentId) {
    adoptFinishedEncodings();
    followCurrent(current);
    // Restored first: if that fails, the history is as it was.
    QImage state = stateOf(redo_.back(), current);
    Step step = std::move(redo_.back());
    redo_.pop_back();
    if (!undo_.empty()) encodeAgainst(undo_.back(), current);
    undo_.push_back({current, nullptr, nullptr, currentId, step.caption});
    current = std::move(state);
    currentId = step.id;
    anchor_ = current;
    trim();
}

void History::followCurrent(const QImage& current) {
    // A command that changes the image in place detaches it from the anchor, whose key then
    // differs; the anchor still holds the state the nearest encodings refer to.
    if (!anchor_.isNull() && current.cacheKey() != anchor_.cacheKey()) {
        for (Side* side : {&undo_, &redo_}) {
            if (side->empty()) continue;
            Step& nearest = side->back();
            if (nearest.whole.isNull())
                nearest.whole = history::decode(*nearest.encoded, anchor_, std::move(spare_));
            nearest.forgetEncoding();
        }
    }
    anchor_ = current;
}

QImage History::stateOf(Step& step, const QImage& current) {
    if (!step.whole.isNull() || !step.encoded) {
        step.forgetEncoding();
        return std::move(step.whole);
    }
    // Memory being made ready for this very step is nearer ready than fresh memory would be,
    // and fresh pages taken meanwhile would only compete with it for the system's time.
    if (spareOnItsWay_ && &spareOnItsWay_->encoded() == step.encoded.get()) {
        memoryMaker_->waitUntilIdle();
        adoptFinishedEncodings();
    }
    return history::decode(*step.encoded, current, std::move(spare_));
}

void History::encodeAgainst(Step& step, const QImage& inner) {
    if (step.encoded || step.encoding || step.whole.sizeInBytes() < kEncodeFromBytes) return;
    step.encoding = std::make_shared<history::EncodeJob>(step.whole, inner);
    encoder().submit(step.encoding);
}

history::BackgroundEncoder& History::encoder() {
    if (!encoder_) encoder_ = std::make_unique<history::BackgroundEncoder>();
    return *encoder_;
}

history::BackgroundEncoder& History::memoryMaker() {
    if (!memoryMaker_) memoryMaker_ = std::make_unique<history::BackgroundEncoder>();
    return *memoryMaker_;
}

void History::dropSpare() const {
    spare_ = QImage();
    if (spareOnItsWay_) spareOnItsWay_->cancel();
    spareOnItsWay_.reset();
}

void History::adoptFinishedEncodings() const {
    for (Side* side : {&undo_, &redo_}) {
        for (Step& step : *side) {
            if (!step.encoding || !step.encoding->done()) continue;
            step.encoded = step.encoding->result();
            step.encoding.reset();
            // A failed encoding leaves the step whole.
            if (!step.encoded) continue;
            // Memory of the current image's shape is the likeliest to fit the next restore.
            const bool better =
                spare_.isNull() || (sameShape(step.whole, anchor_) && !sameShape(spare_, anchor_));
            if (better && step.whole.isDetached() && step.whole.sizeInBytes() >= kEncodeFromBytes)
                spare_ = std::move(step.whole);
            step.whole = QImage();
        }
    }
    if (spareOnItsWay_ && spareOnItsWay_->done()) {
        QImage memory = spareOnItsWay_->take();
        spareOnItsWay_.reset();
        if (!memory.isNull()) spare_ = std::move(memory);
    }
}

std::int64_t History::bytes() const {
    adoptFinishedEncodings();
    std::int64_t sum = spare_.sizeInBytes();
    for (const Side* side : {&undo_, &redo_})
        for (const Step& step : *side) sum += step.bytes();
    return sum;
}

void History::finishEncoding() {
    waitForEncoder();
    prepareNextRestore();
    waitForEncoder();
}

void History::waitForEncoder() {
    if (encoder_) encoder_->waitUntilIdle();
    if (memoryMaker_) memoryMaker_->waitUntilIdle();
    adoptFinishedEncodings();
}

void History::prepareNextRestore() {
    for (const Side* side : {&undo_, &redo_}) {
        if (side->empty()) continue;
        const Step& nearest = side->back();
        if (!nearest.whole.isNull() || !nearest.encoded) continue;
        if (history::fitsInto(*nearest.encoded, spare_)) return;
        if (spareOnItsWay_ && &spareOnItsWay_->encoded() == nearest.encoded.get()) return;
        // Only memory the byte bound leaves room for.
        const std::int64_t others = bytes() - spare_.sizeInBytes();
        dropSpare();
        if (others + nearest.encoded->decodedBytes() <= limits_.maxBytes) {
            spareOnItsWay_ = std::make_shared<history::MemoryJob>(nearest.encoded);
            // Not behind the encodings: the next undo may come before they are done.
            memoryMaker().submit(spareOnItsWay_);
        }
        return;
    }
}

void History::trim() {
    // Undo steps go first, oldest first; redo steps only when the undo side is empty, the
    // farthest first, so what the user most likely wants back stays longest. Nothing is
    // encoded against the farthest step of a side, so dropping it loses no other step.
    std::int64_t held = bytes();
    if (held > limits_.maxBytes && encoder_ && !encoder_->idle()) {
        // Whole images still being encoded would make the steps look bigger than they are.
        waitForEncoder();
        held = bytes();
    }
    if (held > limits_.maxBytes) {
        held -= spare_.sizeInBytes();
        dropSpare();
    }
    auto over = [&] {
        return undoCount() + redoCount() > limits_.maxSteps || held > limits_.maxBytes;
    };
    for (Side* side : {&undo_, &redo_}) {
        while (over() && !side->empty()) {
            held -= side->front().bytes();
            side->front().forgetEncoding();
            side->pop_front();
        }
    }
    if (undo_.empty() && redo_.empty()) {
        anchor_ = QImage();
        dropSpare();
    }
    prepareNextRestore();
}

}  // namespace imaging
