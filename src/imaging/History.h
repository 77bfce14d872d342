#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <deque>

namespace imaging {

// The undo and redo steps of one image. A step keeps the whole image as it was before (for
// undo) or after (for redo) a change; QImage's sharing makes an unchanged image cost
// nothing. The history is bounded by step count and bytes, dropping the oldest steps first,
// so a long session on a large photo cannot exhaust memory.
class History {
public:
    struct Limits {
        int maxSteps = 50;
        std::int64_t maxBytes = std::int64_t(1) << 30;
    };

    History() = default;
    explicit History(Limits limits) : limits_(limits) {}

    void setLimits(Limits limits);
    const Limits& limits() const { return limits_; }

    // Records `before` as the state a step named `caption` started from; the redo steps
    // are dropped. `beforeId` names that state for the saved-state test.
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

    std::int64_t bytes() const { return bytes_; }

private:
    struct Step {
        QImage image;
        std::uint64_t id = 0;
        QString caption;
    };

    void trim();
    static std::int64_t sizeOf(const QImage& image) { return image.sizeInBytes(); }

    Limits limits_;
    std::deque<Step> undo_;  // back() is the most recent
    std::deque<Step> redo_;
    std::int64_t bytes_ = 0;
};

}  // namespace imaging
