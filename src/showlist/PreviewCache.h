#pragma once

#include <QString>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "Preview.h"

namespace showlist {

// What a preview was made from: the file's path and the size and times it had just before it
// was read. A file written since has another stamp, so its old preview is never found again;
// the change time catches a rewrite that kept the size and had its modification time set back.
struct PreviewStamp {
    QString path;
    qint64 bytes = 0;
    qint64 modifiedNs = 0;  // since 1970, as finely as the system keeps it
    qint64 changedNs = 0;

    // The stamp of the file as it is now; none when there is no such file.
    static std::optional<PreviewStamp> of(const QString& path);
    bool operator==(const PreviewStamp&) const = default;
};

// Fitted previews by stamp, bounded in bytes: the least recently used ones go first. Safe to
// use from several threads at once.
class PreviewCache {
public:
    explicit PreviewCache(qint64 byteLimit);

    std::optional<Preview> find(const PreviewStamp& stamp);
    // Replaces an older preview of the same path. A picture larger than the whole bound is not
    // kept.
    void insert(const PreviewStamp& stamp, const Preview& preview);

    void clear();

    qint64 bytes() const;
    int count() const;
    qint64 byteLimit() const { return byteLimit_; }

private:
    struct Entry {
        PreviewStamp stamp;
        Preview preview;
    };
    using Entries = std::list<Entry>;  // most recently used first

    void evictBeyondLimit();

    const qint64 byteLimit_;
    mutable std::mutex mutex_;
    Entries entries_;
    std::unordered_map<QString, Entries::iterator> byPath_;
    qint64 bytes_ = 0;
};

}  // namespace showlist
