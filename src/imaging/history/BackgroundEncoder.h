#pragma once

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "imaging/history/TileCodec.h"

// The undo history's work that no one should wait for, on a thread of its own: encoding steps,
// so a command or an undo does not wait for the compression of a whole photo, and making
// memory ready for the next undo. An encoding job holds its two images until it is done, and
// the step it belongs to keeps its whole image meanwhile: whoever needs the state before the
// job is done uses that image, and drops the job.
namespace imaging::history {

class BackgroundJob {
public:
    virtual ~BackgroundJob() = default;
    bool done() const;
    // The job is no longer wanted: it is skipped, or stops early.
    void cancel() { cancelled_ = true; }

protected:
    bool cancelled() const { return cancelled_; }
    const std::atomic<bool>& cancelledFlag() const { return cancelled_; }
    // Runs on the background thread; what it leaves for the caller is guarded by mutex_.
    virtual void work() = 0;
    mutable std::mutex mutex_;

private:
    friend class BackgroundEncoder;
    void run();

    std::atomic<bool> cancelled_{false};
    bool done_ = false;
};

class EncodeJob final : public BackgroundJob {
public:
    EncodeJob(QImage image, QImage neighbour)
        : image_(std::move(image)), neighbour_(std::move(neighbour)) {}

    // The encoding once it is done, else null. Also null for a cancelled or failed job.
    std::shared_ptr<const EncodedImage> result() const;
    // The neighbour, once the job is done.
    QImage takeNeighbour();

private:
    void work() override;

    QImage image_;
    QImage neighbour_;
    std::shared_ptr<const EncodedImage> result_;
};

// Memory for the image an encoding decodes to, every page already supplied by the system.
class MemoryJob final : public BackgroundJob {
public:
    explicit MemoryJob(std::shared_ptr<const EncodedImage> encoded)
        : encoded_(std::move(encoded)) {}

    const EncodedImage& encoded() const { return *encoded_; }
    // The memory once the job is done; null before, or if there was none to be had.
    QImage take();

private:
    void work() override;

    std::shared_ptr<const EncodedImage> encoded_;
    QImage memory_;
};

class BackgroundEncoder {
public:
    BackgroundEncoder();
    // Cancels what is queued and waits for the job in hand to stop.
    ~BackgroundEncoder();
    BackgroundEncoder(const BackgroundEncoder&) = delete;
    BackgroundEncoder& operator=(const BackgroundEncoder&) = delete;

    // An urgent job goes before the others waiting.
    void submit(std::shared_ptr<BackgroundJob> job, bool urgent = false);
    // Returns when every job submitted so far is done.
    void waitUntilIdle();
    bool idle() const;
    // Makes all the thread did up to its last pass through the queue (a job it let go of with
    // the images it held) happen before what the caller does next.
    void synchronize() const { const std::lock_guard lock(mutex_); }

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::shared_ptr<BackgroundJob>> queue_;
    std::shared_ptr<BackgroundJob> inHand_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace imaging::history
