#include "imaging/effects/RowBands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "imaging/effects/Streaming.h"

namespace imaging::effects {

namespace {

// Below this many pixels a job is not worth waking another thread for.
constexpr qint64 kMinPixelsPerBand = 16384;
// More bands than threads, so a thread that finishes early takes over part of the rest.
constexpr int kBandsPerThread = 4;
constexpr int kMaxThreads = 64;

std::atomic<int> threadOverride{0};
thread_local bool insideBand = false;

int defaultThreadCount() {
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("QUORVANE_THREADS", &ok);
    if (ok && fromEnvironment > 0) return std::min(fromEnvironment, kMaxThreads);
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

struct Job {
    const std::function<void(int, int)>* body = nullptr;
    int rows = 0;
    int bands = 0;
    int helpersWanted = 0;
    int helpersJoined = 0;
    std::atomic<int> nextBand{0};
    std::exception_ptr error;
    std::mutex errorMutex;

    void runBands() {
        insideBand = true;
        for (int band = nextBand++; band < bands; band = nextBand++) {
            const int first = static_cast<int>(qint64(rows) * band / bands);
            const int end = static_cast<int>(qint64(rows) * (band + 1) / bands);
            try {
                (*body)(first, end);
                streamFence();
            } catch (...) {
                const std::lock_guard lock(errorMutex);
                if (!error) error = std::current_exception();
            }
        }
        insideBand = false;
    }
};

// Worker threads are started on first use and kept; a job takes as many of them as the
// thread count asks for, the calling thread being one of its threads.
class Pool {
public:
    ~Pool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    void run(Job& job) {
        const std::lock_guard oneJobAtATime(jobMutex_);
        {
            std::unique_lock lock(mutex_);
            while (static_cast<int>(workers_.size()) < job.helpersWanted)
                workers_.emplace_back([this] { work(); });
            job_ = &job;
            ++generation_;
        }
        wake_.notify_all();
        job.runBands();
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return busy_ == 0; });
        job_ = nullptr;
    }

private:
    void work() {
        quint64 seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || (job_ && generation_ != seen); });
            if (stopping_) return;
            seen = generation_;
            Job* job = job_;
            if (job->helpersJoined >= job->helpersWanted) continue;
            ++job->helpersJoined;
            ++busy_;
            lock.unlock();
            job->runBands();
            lock.lock();
            if (--busy_ == 0) idle_.notify_all();
        }
    }

    std::mutex jobMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::vector<std::thread> workers_;
    Job* job_ = nullptr;
    quint64 generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
};

Pool& pool() {
    static Pool instance;
    return instance;
}

}  // namespace

int threadCount() {
    const int chosen = threadOverride.load(std::memory_order_relaxed);
    if (chosen > 0) return chosen;
    static const int byDefault = defaultThreadCount();
    return byDefault;
}

void setThreadCount(int count) {
    threadOverride.store(std::clamp(count, 0, kMaxThreads), std::memory_order_relaxed);
}

void forEachRowBand(int rows, qint64 pixelsPerRow, const std::function<void(int, int)>& body) {
    if (rows <= 0) return;
    const qint64 bySize = std::max<qint64>(1, qint64(rows) * pixelsPerRow / kMinPixelsPerBand);
    const int threads = insideBand ? 1 : int(std::min<qint64>(threadCount(), bySize));
    if (threads <= 1) {
        body(0, rows);
        streamFence();
        return;
    }
    Job job;
    job.body = &body;
    job.rows = rows;
    job.bands = std::min(rows, threads * kBandsPerThread);
    job.helpersWanted = std::min(threads, job.bands) - 1;
    pool().run(job);
    if (job.error) std::rethrow_exception(job.error);
}

}  // namespace imaging::effects
