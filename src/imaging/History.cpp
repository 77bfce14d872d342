#include "History.h"

namespace imaging {

void History::setLimits(Limits limits) {
    limits_ = limits;
    trim();
}

void History::record(const QImage& before, std::uint64_t beforeId, const QString& caption) {
    for (const Step& step : redo_) bytes_ -= sizeOf(step.image);
    redo_.clear();
    undo_.push_back({before, beforeId, caption});
    bytes_ += sizeOf(before);
    trim();
}

void History::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
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
    Step step = std::move(undo_.back());
    undo_.pop_back();
    bytes_ += sizeOf(current) - sizeOf(step.image);
    redo_.push_back({current, currentId, step.caption});
    current = std::move(step.image);
    currentId = step.id;
    trim();
}

void History::redo(QImage& current, std::uint64_t& currentId) {
    Step step = std::move(redo_.back());
    redo_.pop_back();
    bytes_ += sizeOf(current) - sizeOf(step.image);
    undo_.push_back({current, currentId, step.caption});
    current = std::move(step.image);
    currentId = step.id;
    trim();
}

void History::trim() {
    // Undo steps go first, oldest first; redo steps only when the undo side is empty, the
    // farthest first, so what the user most likely wants back stays longest.
    auto over = [this] {
        return undoCount() + redoCount() > limits_.maxSteps || bytes_ > limits_.maxBytes;
    };
    while (over() && !undo_.empty()) {
        bytes_ -= sizeOf(undo_.front().image);
        undo_.pop_front();
    }
    while (over() && !redo_.empty()) {
        bytes_ -= sizeOf(redo_.front().image);
        redo_.pop_front();
    }
}

}  // namespace imaging
