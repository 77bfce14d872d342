#include "imaging/history/BackgroundEncoder.h"

#include <cstring>

namespace imaging::history {

bool BackgroundJob::done() const {
    const std::lock_guard lock(mutex_);
    return done_;
}

void BackgroundJob::run() {
    if (!cancelled_) {
        try {
            work();
        } catch (...) {
            // Out of memory, most likely: the job leaves nothing, and the history does
            // without (a step stays whole, a restore takes fresh memory).
        }
    }
    const std::lock_guard lock(mutex_);
    done_ = true;
}

std::shared_ptr<const EncodedImage> EncodeJob::result() const {
    const std::lock_guard lock(mutex_);
    return result_;
}

void EncodeJob::work() {
    auto encoded = std::make_shared<EncodedImage>(
        encode(image_, neighbour_, &cancelledFlag(), Threads::CallingThread));
    const std::lock_guard lock(mutex_);
    // The image is needed no longer; letting go here frees it on this thread. The neighbour
    // is kept for the history, whose next restore may use its memory.
    image_ = QImage();
    if (!cancelled()) result_ = std::move(encoded);
}

QImage EncodeJob::takeNeighbour() {
    const std::lock_guard lock(mutex_);
    return std::move(neighbour_);
}

QImage MemoryJob::take() {
    const std::lock_guard lock(mutex_);
    return std::move(memory_);
}

void MemoryJob::work() {
    QImage memory = memoryFor(*encoded_);
    // Writing every page makes the system supply it now rather than during the restore.
    if (!memory.isNull()) std::memset(memory.bits(), 0, size_t(memory.sizeInBytes()));
    const std::lock_guard lock(mutex_);
    memory_ = std::move(memory);
}

BackgroundEncoder::BackgroundEncoder() : thread_([this] { work(); }) {}

BackgroundEncoder::~BackgroundEncoder() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const auto& job : queue_) job->cancel();
        if (inHand_) inHand_->cancel();
    }
    wake_.notify_all();
    thread_.join();
}

void BackgroundEncoder::submit(std::shared_ptr<BackgroundJob> job, bool urgent) {
    {
        const std::lock_guard lock(mutex_);
        if (urgent)
            queue_.push_front(std::move(job));
        else
            queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void BackgroundEncoder::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !inHand_; });
}

bool BackgroundEncoder::idle() const {
    const std::lock_guard lock(mutex_);
    return queue_.empty() && !inHand_;
}

void BackgroundEncoder::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        inHand_ = std::move(queue_.front());
        queue_.pop_front();
        const std::shared_ptr<BackgroundJob> job = inHand_;
        lock.unlock();
        job->run();
        lock.lock();
        inHand_.reset();
        if (queue_.empty()) idle_.notify_all();
    }
}

}  // namespace imaging::history
