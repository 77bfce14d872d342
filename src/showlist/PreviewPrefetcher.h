#pragma once

#include <QObject>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "PreviewCache.h"

namespace showlist {

// The outcome of making a file's preview; no preview when the engine cannot read the file.
struct PreviewOutcome {
    QString path;
    std::optional<Preview> preview;
};

// Makes the previews of the file the window shows and of the files next to it on worker
// threads, into a cache, so that moving to a neighbour shows its preview at once and the
// window thread does not decode. Lives on the window thread; its signals arrive there.
//
// The window awaits one file at a time: await() starts it ahead of everything else, settle()
// waits for what is left of its decode (a click's press starts it, its release settles it),
// and awaitedReady() hands it over when it finishes before anyone settles. Moving on drops the
// requests queued for files that are no longer wanted; a decode already running is finished
// into the cache.
class PreviewPrefetcher final : public QObject {
    Q_OBJECT
public:
    // Makes one file's preview, throwing for a file it cannot read; called on any thread.
    using Decoder = std::function<Preview(const QString& path)>;

    // `workers` threads, at least one. With two or more, one is always left for the awaited
    // file, and no neighbour starts while it decodes: the file the user waits for has a core
    // to itself.
    PreviewPrefetcher(Decoder decoder, qint64 cacheBytes, int workers, QObject* parent = nullptr);
    // Drops the queue and joins the workers once their running decodes end.
    ~PreviewPrefetcher() override;

    // Awaits `path`: its preview at once when cached for the file as it is now, else none and
    // its decode starts. Replaces any file awaited before.
    std::optional<Preview> await(const QString& path);
    // Makes these files' previews when workers are free; queued ones not named again (nor
    // awaited) are dropped.
    void prefetch(const QStringList& paths);
    // The awaited file's outcome, waiting for its decode (or decoding it here when no worker
    // has taken it yet); none when nothing is awaited. It is then no longer awaited.
    std::optional<PreviewOutcome> settle();
    // Stops awaiting: the preview was replaced by other means.
    void forget();
    bool isAwaiting() const;

    // No request queued or running, and every finished one reported.
    bool isIdle() const;
    PreviewCache& cache() { return cache_; }

signals:
    // The awaited file's decode finished before anyone settled it.
    void awaitedReady(const showlist::PreviewOutcome& outcome);
    // The last request came to an end.
    void idle();

private:
    struct Request {
        QString path;
        bool awaited = false;
    };
    // An outcome with the stamp its file had when the decode began.
    struct Decoded {
        PreviewOutcome outcome;
        std::optional<PreviewStamp> stamp;
        // Whether the file is still as it was read.
        bool isCurrent() const { return PreviewStamp::of(outcome.path) == stamp; }
    };

    void work();
    // The position in the queue of the next request a worker may take; none when it should
    // wait. Under the lock.
    std::optional<std::size_t> nextRequestLocked() const;
    // The file's preview from the cache or decoded into it.
    Decoded decode(const QString& path);
    // On the owner's thread, after a worker's decode.
    void reportFinished(const QString& path);
    // Drops the queued request for the awaited file, under the lock.
    void dropAwaitedRequestLocked();
    bool isQueuedLocked(const QString& path) const;

    const Decoder decoder_;
    PreviewCache cache_;
    const int prefetchWorkers_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QString awaited_;
    // The outcome of the awaited file's last decode, once a worker has finished it.
    std::optional<Decoded> ready_;
    std::deque<Request> queue_;  // the awaited file first
    std::multiset<QString> running_;
    int runningPrefetches_ = 0;
    int runningAwaited_ = 0;
    int unreported_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace showlist
