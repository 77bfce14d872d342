#include "PreviewPrefetcher.h"

#include <QMetaObject>
#include <algorithm>
#include <exception>

#ifdef Q_OS_LINUX
#include <pthread.h>
#include <sched.h>
#endif

namespace showlist {

PreviewPrefetcher::PreviewPrefetcher(Decoder decoder, qint64 cacheBytes, int workers,
                                     QObject* parent)
    : QObject(parent),
      decoder_(std::move(decoder)),
      cache_(cacheBytes),
      prefetchWorkers_(std::max(1, workers - 1)) {
    for (int i = 0; i < std::max(1, workers); ++i) workers_.emplace_back([this] { work(); });
}

PreviewPrefetcher::~PreviewPrefetcher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

std::optional<Preview> PreviewPrefetcher::await(const QString& path) {
    const std::optional<PreviewStamp> stamp = PreviewStamp::of(path);
    std::optional<Preview> cached = stamp ? cache_.find(*stamp) : std::nullopt;
    {
        const std::lock_guard lock(mutex_);
        dropAwaitedRequestLocked();
        ready_.reset();
        awaited_ = cached ? QString() : path;
        if (cached) return cached;
        // A prefetch of it queued or running already is as good as a request of its own, but
        // it must not wait behind the other neighbours.
        std::erase_if(queue_, [&](const Request& queued) { return queued.path == path; });
        if (!running_.contains(path)) queue_.push_front({path, true});
    }
    changed_.notify_all();
    return std::nullopt;
}

void PreviewPrefetcher::prefetch(const QStringList& paths) {
    QStringList wanted;
    for (const QString& path : paths) {
        const std::optional<PreviewStamp> stamp = PreviewStamp::of(path);
        if (stamp && !cache_.find(*stamp)) wanted << path;
    }
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(queue_, [&](const Request& queued) {
            return !queued.awaited && !wanted.contains(queued.path);
        });
        for (const QString& path : std::as_const(wanted))
            if (path != awaited_ && !isQueuedLocked(path) && !running_.contains(path))
                queue_.push_back({path, false});
    }
    changed_.notify_all();
}

std::optional<PreviewOutcome> PreviewPrefetcher::settle() {
    std::unique_lock lock(mutex_);
    if (awaited_.isEmpty()) return std::nullopt;
    const QString path = awaited_;
    // A worker about to take the file decodes it as fast as this thread would; only when all
    // of them are busy does this thread decode it rather than wait for one.
    const auto workersBusy = [&] { return running_.size() >= workers_.size(); };
    changed_.wait(lock, [&] {
        return ready_ || stopping_ ||
               (!running_.contains(path) && (!isQueuedLocked(path) || workersBusy()));
    });
    std::optional<Decoded> decoded = std::move(ready_);
    ready_.reset();
    awaited_.clear();
    dropAwaitedRequestLocked();
    // A decode that began before the file last changed is of no use.
    if (decoded && decoded->isCurrent()) return std::move(decoded->outcome);
    // Decoding here counts as the awaited decode: neighbours wait for it as for a worker's.
    ++runningAwaited_;
    lock.unlock();
    decoded = decode(path);
    lock.lock();
    --runningAwaited_;
    lock.unlock();
    changed_.notify_all();
    return std::move(decoded->outcome);
}

void PreviewPrefetcher::forget() {
    const std::lock_guard lock(mutex_);
    dropAwaitedRequestLocked();
    awaited_.clear();
    ready_.reset();
}

bool PreviewPrefetcher::isAwaiting() const {
    const std::lock_guard lock(mutex_);
    return !awaited_.isEmpty();
}

bool PreviewPrefetcher::isIdle() const {
    const std::lock_guard lock(mutex_);
    return queue_.empty() && running_.empty() && unreported_ == 0;
}

void PreviewPrefetcher::dropAwaitedRequestLocked() {
    std::erase_if(queue_, [](const Request& queued) { return queued.awaited; });
}

bool PreviewPrefetcher::isQueuedLocked(const QString& path) const {
    return std::any_of(queue_.begin(), queue_.end(),
                       [&](const Request& queued) { return queued.path == path; });
}

std::optional<std::size_t> PreviewPrefetcher::nextRequestLocked() const {
    for (std::size_t i = 0; i < queue_.size(); ++i)
        if (queue_[i].awaited || (runningAwaited_ == 0 && runningPrefetches_ < prefetchWorkers_))
            return i;
    return std::nullopt;
}

void PreviewPrefetcher::work() {
#ifdef Q_OS_LINUX
    // A worker woken by a click would otherwise take the core from the window thread that woke
    // it, for a whole time slice; as a batch thread it waits for that thread to go idle.
    const sched_param batch{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
#endif
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || nextRequestLocked(); });
        if (stopping_) return;
        const auto taken = queue_.begin() + std::ptrdiff_t(*nextRequestLocked());
        const Request request = *taken;
        queue_.erase(taken);
        running_.insert(request.path);
        ++(request.awaited ? runningAwaited_ : runningPrefetches_);
        ++unreported_;
        lock.unlock();

        Decoded decoded = decode(request.path);

        lock.lock();
        running_.erase(running_.find(request.path));
        --(request.awaited ? runningAwaited_ : runningPrefetches_);
        if (request.path == awaited_) ready_ = std::move(decoded);
        lock.unlock();
        changed_.notify_all();
        QMetaObject::invokeMethod(
            this, [this, path = request.path] { reportFinished(path); }, Qt::QueuedConnection);
    }
}

PreviewPrefetcher::Decoded PreviewPrefetcher::decode(const QString& path) {
    // Stamped before reading: a file written during the decode gets a newer stamp than its
    // preview carries, so the preview is never served for it.
    const std::optional<PreviewStamp> stamp = PreviewStamp::of(path);
    if (!stamp) return {{path, std::nullopt}, stamp};
    if (std::optional<Preview> cached = cache_.find(*stamp)) return {{path, cached}, stamp};
    try {
        Preview preview = decoder_(path);
        cache_.insert(*stamp, preview);
        return {{path, std::move(preview)}, stamp};
    } catch (const std::exception&) {
        return {{path, std::nullopt}, stamp};
    }
}

void PreviewPrefetcher::reportFinished(const QString& path) {
    std::optional<PreviewOutcome> awaitedOutcome;
    bool again = false;
    {
        const std::lock_guard lock(mutex_);
        --unreported_;
        if (ready_ && ready_->outcome.path == path && awaited_ == path) {
            if (ready_->isCurrent()) {
                awaitedOutcome = std::move(ready_->outcome);
                awaited_.clear();
            } else if (!running_.contains(path)) {
                // The file changed while it was decoded: once more, from the file as it is now.
                queue_.push_front({path, true});
                again = true;
            }
            ready_.reset();
        }
    }
    if (again) changed_.notify_all();
    if (awaitedOutcome) emit awaitedReady(*awaitedOutcome);
    if (isIdle()) emit idle();
}

}  // namespace showlist
