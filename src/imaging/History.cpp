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
    restore(undo_, redo_, current, currentId);
}

void History::redo(QImage& current, std::uint64_t& currentId) {
    restore(redo_, undo_, current, currentId);
}

bool History::needsAsNeighbour(const Step& step, const QImage& inner) {
    return !step.encoded && !step.standalone && step.whole.sizeInBytes() >= kEncodeFromBytes &&
           sameShape(step.whole, inner);
}

bool History::changedLittle(const history::EncodedImage& encoded) {
    return encoded.relative() && encoded.storedTiles() * kLittleShare <= encoded.tileCount();
}

void History::restore(Side& from, Side& to, QImage& current, std::uint64_t& currentId) {
    adoptFinishedEncodings();
    followCurrent(current);
    if (restoreInPlace(from, to, current, currentId)) return;
    // Restored first: if that fails, the history is as it was.
    QImage state = stateOf(from.back(), current);
    Step step = std::move(from.back());
    // The state left, relative to the one restored. A step that changed little is encoded at
    // once, over the tiles it changed: the next restore can then be made in place.
    Step back{current, nullptr, nullptr, currentId, step.caption};
    const bool little = step.encoded && changedLittle(*step.encoded);
    // One that changed much has little in common with the state restored: it is encoded on its
    // own, so the state restored can be changed in place at once.
    back.standalone = step.encoded && !little;
    if (little) {
        back.encoded = std::make_shared<const history::EncodedImage>(history::encode(
            current, state, nullptr, history::Threads::Engine, step.encoded.get()));
        back.whole = QImage();
    }
    from.pop_back();
    // The step pushed outwards gets the state left as its inner neighbour.
    if (!to.empty()) encodeAgainst(to.back(), current);
    to.push_back(std::move(back));
    current = std::move(state);
    currentId = step.id;
    anchor_ = current;
    // A state left whole is encoded at once rather than when the next step pushes it outwards:
    // until then the next restore could be made in place only if it went on without it.
    encodeAgainst(to.back(), current);
    trim();
}

bool History::restoreInPlace(Side& from, Side& to, QImage& current, std::uint64_t& currentId) {
    const Step& step = from.back();
    // The step pushed outwards must not need the state left as a whole image.
    if (!step.whole.isNull() || !step.encoded || !changedLittle(*step.encoded) ||
        (!to.empty() && needsAsNeighbour(to.back(), current)))
        return false;
    // Whoever else still shares the current image (a view showing it, a job reading it) must
    // keep seeing it as it is.
    anchor_ = QImage();
    if (!history::canSwapInto(*step.encoded, current)) {
        anchor_ = current;
        return false;
    }
    // An encoding that read the image may have let go of it on its thread just now: what that
    // thread did must be seen as done before the image is written.
    if (encoder_) encoder_->synchronize();
    std::shared_ptr<const history::EncodedImage> left;
    try {
        left = std::make_shared<const history::EncodedImage>(
            history::swapInto(*step.encoded, current));
    } catch (...) {
        anchor_ = current;
        throw;
    }
    if (!to.empty()) encodeAgainst(to.back(), QImage());
    to.push_back({QImage(), std::move(left), nullptr, currentId, step.caption});
    currentId = step.id;
    from.pop_back();
    anchor_ = current;
    trim();
    return true;
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
    if (spareOnItsWay_ && &spareOnItsWay_->encoded() == step.encoded.get() &&
        !history::fitsInto(*step.encoded, spare_)) {
        memoryMaker_->waitUntilIdle();
        adoptFinishedEncodings();
    }
    return history::decode(*step.encoded, current, std::move(spare_));
}

void History::encodeAgainst(Step& step, const QImage& inner) {
    if (step.encoded || step.encoding || step.whole.sizeInBytes() < kEncodeFromBytes) return;
    // A neighbour of another shape is of no use to the encoding, and is not kept for it.
    step.encoding = std::make_shared<history::EncodeJob>(
        step.whole, needsAsNeighbour(step, inner) ? inner : QImage());
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

void History::offerSpare(QImage memory) const {
    // Memory of the current image's shape is the likeliest to fit the next restore.
    const bool better =
        spare_.isNull() || (sameShape(memory, anchor_) && !sameShape(spare_, anchor_));
    if (better && memory.isDetached() && memory.sizeInBytes() >= kEncodeFromBytes)
        spare_ = std::move(memory);
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
            offerSpare(step.encoding->takeNeighbour());
            step.encoding.reset();
            // A failed encoding leaves the step whole.
            if (!step.encoded) continue;
            offerSpare(std::move(step.whole));
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

std::shared_ptr<const history::EncodedImage> History::nextNeedingMemory(
    const Side& side, const Side& other) const {
    // Steps that changed little are restored in place once the step they push to the other
    // side needs no whole image of the current shape; the memory then goes to the first step
    // beyond them that will need it, so it is ready when the user has come that far.
    const bool inPlace = other.empty() || !needsAsNeighbour(other.back(), anchor_);
    int looked = 0;
    for (auto step = side.rbegin(); step != side.rend() && looked < kLookAhead; ++step, ++looked) {
        if (!step->whole.isNull() || !step->encoded) return nullptr;
        if (!inPlace || !changedLittle(*step->encoded)) return step->encoded;
    }
    return nullptr;
}

void History::prepareNextRestore() {
    for (const auto& [side, other] : {std::pair(&undo_, &redo_), std::pair(&redo_, &undo_)}) {
        const std::shared_ptr<const history::EncodedImage> next =
            nextNeedingMemory(*side, *other);
        if (!next) continue;
        if (history::fitsInto(*next, spare_)) return;
        if (spareOnItsWay_ && &spareOnItsWay_->encoded() == next.get()) return;
        // Only memory the byte bound leaves room for.
        const std::int64_t others = bytes() - spare_.sizeInBytes();
        dropSpare();
        if (others + next->decodedBytes() <= limits_.maxBytes) {
            spareOnItsWay_ = std::make_shared<history::MemoryJob>(next);
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
