#include "PreviewCache.h"

#ifdef Q_OS_LINUX
#include <sys/stat.h>

#include <QFile>
#else
#include <QFileInfo>
#endif

namespace showlist {

namespace {

qint64 pictureBytes(const Preview& preview) { return preview.picture.sizeInBytes(); }

#ifdef Q_OS_LINUX
qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}
#endif

}  // namespace

std::optional<PreviewStamp> PreviewStamp::of(const QString& path) {
#ifdef Q_OS_LINUX
    // stat itself: QFileInfo's times go through the local time zone on every call and keep
    // only milliseconds.
    struct stat facts {};
    if (::stat(QFile::encodeName(path).constData(), &facts) != 0) return std::nullopt;
    return PreviewStamp{path, qint64(facts.st_size), nanoseconds(facts.st_mtim),
                        nanoseconds(facts.st_ctim)};
#else
    const QFileInfo file(path);
    if (!file.exists()) return std::nullopt;
    return PreviewStamp{path, file.size(), file.lastModified().toMSecsSinceEpoch() * 1'000'000,
                        file.metadataChangeTime().toMSecsSinceEpoch() * 1'000'000};
#endif
}

PreviewCache::PreviewCache(qint64 byteLimit) : byteLimit_(byteLimit) {}

std::optional<Preview> PreviewCache::find(const PreviewStamp& stamp) {
    const std::lock_guard lock(mutex_);
    const auto found = byPath_.find(stamp.path);
    if (found == byPath_.end() || !(found->second->stamp == stamp)) return std::nullopt;
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->preview;
}

void PreviewCache::insert(const PreviewStamp& stamp, const Preview& preview) {
    const std::lock_guard lock(mutex_);
    if (const auto older = byPath_.find(stamp.path); older != byPath_.end()) {
        bytes_ -= pictureBytes(older->second->preview);
        entries_.erase(older->second);
        byPath_.erase(older);
    }
    if (pictureBytes(preview) > byteLimit_) return;
    entries_.push_front({stamp, preview});
    byPath_[stamp.path] = entries_.begin();
    bytes_ += pictureBytes(preview);
    evictBeyondLimit();
}

void PreviewCache::evictBeyondLimit() {
    while (bytes_ > byteLimit_) {
        const Entry& oldest = entries_.back();
        bytes_ -= pictureBytes(oldest.preview);
        byPath_.erase(oldest.stamp.path);
        entries_.pop_back();
    }
}

void PreviewCache::clear() {
    const std::lock_guard lock(mutex_);
    byPath_.clear();
    entries_.clear();
    bytes_ = 0;
}

qint64 PreviewCache::bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

int PreviewCache::count() const {
    const std::lock_guard lock(mutex_);
    return int(entries_.size());
}

}  // namespace showlist
