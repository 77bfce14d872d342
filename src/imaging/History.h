#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>

namespace imaging {

namespace history {
class BackgroundEncoder;
class EncodeJob;
class EncodedImage;
class MemoryJob;
}  // namespace history

// The undo and redo steps of one image, held compactly. The states form a line
//     U_k .. U_2 U_1 [current] R_1 R_2 .. R_m
// and each step is stored relative to its inner neighbour (U_2 against U_1, U_1 against the
// current state, R_1 against the current state...): only the tiles in which it differs,
// compressed. Undo and redo shift the line by one, which keeps every such relation, so a step
// is encoded once and never again. The nearest step on either side may be held whole: that
// is the image the caller has just handed over (shared, so recording costs nothing), and it is
// encoded, on a background thread, once a newer step is pushed in front of it. Small images
// are held whole throughout: compressing them would save little.
//
// The history is bounded by step count and by the bytes it holds, dropping the oldest steps
// first, so a long session on a large photo cannot exhaust memory.
class History {
public:
    struct Limits {
        int maxSteps = 50;
        std::int64_t maxBytes = std::int64_t(1) << 30;
    };

    // Images smaller than this are held whole.
    static constexpr std::int64_t kEncodeFromBytes = 64 * 1024;
    // A step that changed at most one tile in this many is restored in the current image's own
    // memory, tile by tile, when no one else shares it.
    static constexpr int kLittleShare = 4;
    // How many steps out memory for a restore is made ready ahead.
    static constexpr int kLookAhead = 4;

    History();
    explicit History(Limits limits);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    void setLimits(Limits limits);
    const Limits& limits() const { return limits_; }

    // Records `before` as the state a step named `caption` started from; the redo steps
    // are dropped. `beforeId` names that state for the saved-state test. `before` is the
    // current state: the caller may change it in place afterwards (as a pencil stroke does).
    void record(const QImage& before, std::uint64_t beforeId, const QString& caption);
    void clear();

    int undoCount() const { return int(undo_.size()); }
    int redoCount() const { return int(redo_.size()); }
    // Index 0 is the step the next undo (or redo) takes.
    QString undoCaption(int index) const;
    QString redoCaption(int index) const;

    // Swaps the current state for the one before (after) it. The caller's image and id are
    // replaced and kept for the way back. Precondition: a step exists.
    void undo(QImage& current, std::uint64_t& currentId);
    void redo(QImage& current, std::uint64_t& currentId);

    // Bytes held: compressed steps, the whole images steps still hold, and one image's memory
    // kept for the next undo or redo. Encodings done in the background count from the first
    // call after they finish.
    std::int64_t bytes() const;
    // Waits for the background work (encodings, memory for the next undo), so that bytes() is
    // final.
    void finishEncoding();

private:
    struct Step {
        // The state, whole: for the nearest steps, small images, and while being encoded.
        QImage whole;
        // The state relative to its inner neighbour, once encoded.
        std::shared_ptr<const history::EncodedImage> encoded;
        std::shared_ptr<history::EncodeJob> encoding;
        std::uint64_t id = 0;
        QString caption;
        // Encoded without its inner neighbour, with which it has little in common.
        bool standalone = false;

        std::int64_t bytes() const;
        void forgetEncoding();
    };
    using Side = std::deque<Step>;  // back() is the nearest to the current state

    static bool changedLittle(const history::EncodedImage& encoded);
    // Whether the step's encoding, still to be made, needs `inner` as its neighbour.
    static bool needsAsNeighbour(const Step& step, const QImage& inner);
    // Moves the nearest step of `from` into the current state; the state left goes to `to`.
    void restore(Side& from, Side& to, QImage& current, std::uint64_t& currentId);
    // The same by swapping the changed tiles in the current image; false when it cannot be.
    bool restoreInPlace(Side& from, Side& to, QImage& current, std::uint64_t& currentId);
    // Keeps `memory` for the next restore if it suits better than the memory kept.
    void offerSpare(QImage memory) const;
    // Brings the nearest steps back to whole images if the current state is no longer the
    // one they were encoded against.
    void followCurrent(const QImage& current);
    // The state a step holds, given the current state its encoding is relative to.
    QImage stateOf(Step& step, const QImage& current);
    // Queues the encoding of a step that holds only its whole image against `inner`.
    void encodeAgainst(Step& step, const QImage& inner);
    void adoptFinishedEncodings() const;
    void waitForEncoder();
    history::BackgroundEncoder& encoder();
    history::BackgroundEncoder& memoryMaker();
    void dropSpare() const;
    // The encoding of the step of `side` nearest the current state that will need a whole
    // image's memory to be restored; null if none near.
    std::shared_ptr<const history::EncodedImage> nextNeedingMemory(const Side& side,
                                                                   const Side& other) const;
    // Has memory ready for the next undo, or the next redo when an undo would be a swap.
    void prepareNextRestore();
    void trim();
    static void dropAll(Side& side);

    Limits limits_;
    mutable Side undo_;
    mutable Side redo_;
    // The current state as the history last saw it: the nearest steps' encodings refer to it.
    QImage anchor_;
    // Memory for the next state to be restored: the last whole image an encoding made
    // unneeded, or memory made ready in the background. Supplying a photo's worth of fresh
    // memory can cost the system more than the restoring itself.
    mutable QImage spare_;
    mutable std::shared_ptr<history::MemoryJob> spareOnItsWay_;
    std::unique_ptr<history::BackgroundEncoder> encoder_;
    // Memory is made ready on a thread of its own, so it is not queued behind the compression
    // of a whole photo when undos come one right after the other.
    std::unique_ptr<history::BackgroundEncoder> memoryMaker_;
};

}  // namespace imaging
