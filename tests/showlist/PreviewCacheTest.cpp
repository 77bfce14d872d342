#include <gtest/gtest.h>
#include <QDateTime>
#include <QSignalSpy>
#include <condition_variable>
#include <mutex>

#include "showlist/Preview.h"
#include "showlist/PreviewCache.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"
#include "support/ImageFiles.h"
#include "support/TempFolder.h"

namespace {

using showlist::Preview;
using showlist::PreviewCache;
using showlist::PreviewOutcome;
using showlist::PreviewPrefetcher;
using showlist::PreviewStamp;

Preview browserPreview(const QString& path) {
    return showlist::makePreview(path, showlist::kBrowserWideRatio);
}

Preview greyPreview(int level) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(qRgb(level, level, level));
    return {10, 10, picture};
}

PreviewStamp stamp(const char* path, qint64 bytes = 1, qint64 modified = 2, qint64 changed = 3) {
    return {path, bytes, modified, changed};
}

void setModified(const QString& path, const QDateTime& time) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(time, QFileDevice::FileModificationTime));
}

TEST(PreviewCache, FindsOnlyTheFileAsItWasReadAndDropsTheLeastRecentlyUsed) {
    PreviewCache cache(1000);  // room for two previews of 400 bytes
    const auto cached = [&](const char* paths) {
        QString found;
        for (const char* p = paths; *p; ++p)
            if (cache.find(stamp(QByteArray(1, *p)))) found += *p;
        return found;
    };
    cache.insert(stamp("a"), greyPreview(1));
    for (const PreviewStamp& other :
         {stamp("a", 9), stamp("a", 1, 9), stamp("a", 1, 2, 9), stamp("b")})
        EXPECT_FALSE(cache.find(other)) << other.path.toStdString() << other.bytes;
    cache.insert(stamp("b"), greyPreview(2));
    ASSERT_TRUE(cache.find(stamp("a")));
    cache.insert(stamp("c"), greyPreview(3));
    EXPECT_EQ(cached("abc"), "ac");
    cache.insert(stamp("d"), greyPreview(4));  // a was looked up before c
    EXPECT_EQ(cached("dbca"), "dc");
    // A newer preview of the same path takes the older one's place and bytes.
    cache.insert(stamp("c", 9), greyPreview(5));
    EXPECT_EQ(std::tuple(cache.count(), cache.bytes(), cache.find(stamp("c")).has_value()),
              std::tuple(2, 800, false));
    EXPECT_EQ(cache.find(stamp("c", 9))->picture.pixel(0, 0), qRgb(5, 5, 5));
    // A picture larger than the whole bound is not kept, and pushes nothing out.
    cache.insert(stamp("e"), {20, 20, QImage(20, 20, QImage::Format_RGB32)});
    EXPECT_EQ(std::pair(cache.count(), cached("de")), std::pair(2, QString("d")));

    testing_support::TempFolder folder;
    const QString path = folder.write("x.bin", "12345");
    setModified(path, QDateTime::fromMSecsSinceEpoch(1700000000123));
    const PreviewStamp found = PreviewStamp::of(path).value_or(PreviewStamp{});
    EXPECT_EQ(std::tuple(found.path, found.bytes, found.modifiedNs),
              std::tuple(path, 5, 1700000000123 * 1'000'000));
    EXPECT_FALSE(PreviewStamp::of(folder.filePath("missing.jpg")));
}

// Records what it decoded and holds every "hold.png" until let go.
struct GatedDecoder {
    PreviewPrefetcher::Decoder decoder() {
        return [this](const QString& path) {
            Preview preview = browserPreview(path);
            std::unique_lock lock(mutex_);
            decoded << QFileInfo(path).fileName();
            changed_.notify_all();
            changed_.wait(lock, [&] { return open_ || !path.endsWith("hold.png"); });
            return preview;
        };
    }
    void waitUntilHolding() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return decoded.contains("hold.png"); });
    }
    void letGo() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    QStringList decoded;  // read once the prefetcher is idle: its worker then no longer writes
    bool open_ = false;
};

class Prefetch : public ::testing::Test {
protected:
    QString image(const QString& name, int width = 40, int height = 40) {
        return testing_support::writeImage(folder.path(), name, width, height);
    }
    void waitUntilIdle(PreviewPrefetcher& previews) {
        QSignalSpy idle(&previews, &PreviewPrefetcher::idle);
        while (!previews.isIdle()) ASSERT_TRUE(idle.wait(60000));
    }
    static std::optional<Preview> cachedNow(PreviewPrefetcher& previews, const QString& path) {
        const std::optional<PreviewStamp> now = PreviewStamp::of(path);
        return now ? previews.cache().find(*now) : std::nullopt;
    }
    // Pixel for pixel what the file list shows when it decodes the file itself.
    static void expectSamePixels(const std::optional<Preview>& preview, const QString& path) {
        ASSERT_TRUE(preview) << path.toStdString();
        const Preview direct = browserPreview(path);
        EXPECT_EQ(std::tuple(preview->width, preview->height, preview->picture),
                  std::tuple(direct.width, direct.height, direct.picture))
            << path.toStdString();
    }
    static std::optional<Preview> settled(PreviewPrefetcher& previews) {
        const std::optional<PreviewOutcome> outcome = previews.settle();
        return outcome ? outcome->preview : std::nullopt;
    }

    testing_support::TempFolder folder;
    GatedDecoder gate;
};

// Cached files are not decoded again nor awaited, unless written again; unreadable ones skipped.
TEST_F(Prefetch, NeighboursArePreviewedAsTheFileListWouldAndUnreadableOnesRefused) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QStringList paths = {image("wide.jpg", 1200, 500), image("tall.png", 90, 400),
                               image("square.bmp", 333, 333), image("sliver.png", 900, 2)};
    const QString bad = folder.write("bad.jpg", "no picture here"),
                  gone = folder.filePath("gone.png");
    const QString cut = testing_support::writeTruncatedJpeg(folder.path(), "cut.jpg");
    previews.prefetch(QStringList{bad, cut, gone} + paths);
    waitUntilIdle(previews);
    for (const QString& path : paths) expectSamePixels(cachedNow(previews, path), path);
    const qsizetype decodes = gate.decoded.size();
    previews.prefetch(paths);
    expectSamePixels(previews.await(paths[1]), paths[1]);
    EXPECT_FALSE(previews.isAwaiting());
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded.size(), decodes);
    // Written again: the same size later, or larger at the same time.
    for (const auto& [path, after, shift] :
         {std::tuple{paths[2], QSize(333, 333), 5000}, std::tuple{paths[3], QSize(900, 3), 0}}) {
        const QImage first = cachedNow(previews, path)->picture;
        const QDateTime modified = QFileInfo(path).lastModified();
        QImage swapped(after, QImage::Format_RGB32);
        swapped.fill(testing_support::kRightColour);
        ASSERT_TRUE(swapped.save(path));
        setModified(path, modified.addMSecs(shift));
        EXPECT_FALSE(previews.await(path));
        const std::optional<Preview> preview = settled(previews);
        expectSamePixels(preview, path);
        EXPECT_NE(preview.value_or(Preview{}).picture, first);
    }
    for (const QString& path : {bad, cut, gone}) {
        EXPECT_FALSE(previews.await(path));
        const std::optional<PreviewOutcome> outcome = previews.settle();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(std::pair(outcome->path, outcome->preview.has_value()), std::pair(path, false));
    }
}

// Stopping with decodes queued waits only for the running one.
TEST_F(Prefetch, MovingOnDropsTheQueuedNeighboursAndSettlingDecodesHereWhenTheWorkerIsBusy) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 1);
    const QString hold = image("hold.png"), a = image("a.png"), b = image("b.png"),
                  c = image("c.png"), clicked = image("clicked.png", 50, 90);
    previews.prefetch({hold, a, b});
    gate.waitUntilHolding();
    previews.prefetch({c, b});
    EXPECT_FALSE(previews.await(clicked));
    expectSamePixels(settled(previews), clicked);
    EXPECT_FALSE(previews.isAwaiting());
    gate.letGo();
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded, QStringList({"hold.png", "clicked.png", "b.png", "c.png"}));
    EXPECT_TRUE(cachedNow(previews, hold));
    EXPECT_FALSE(cachedNow(previews, a));
    previews.prefetch({a, image("d.png", 400, 300), image("e.png", 400, 300)});
}

// Written again while it was being decoded: settled or handed over by signal.
TEST_F(Prefetch, AFileWrittenAgainShowsTheNewPixelsNeverTheOldPreview) {
    for (const bool bySignal : {false, true}) {
        GatedDecoder held;
        PreviewPrefetcher previews(held.decoder(), 1 << 24, 2);
        const QString path = image("hold.png", 60, 40);
        previews.prefetch({path});
        held.waitUntilHolding();  // decoded, not yet handed back
        image("hold.png", 40, 60);
        EXPECT_FALSE(previews.await(path));
        QSignalSpy ready(&previews, &PreviewPrefetcher::awaitedReady);
        held.letGo();
        ASSERT_TRUE(!bySignal || ready.wait(60000));
        const std::optional<Preview> preview =
            bySignal ? ready.at(0).at(0).value<PreviewOutcome>().preview : settled(previews);
        expectSamePixels(preview, path);
        EXPECT_EQ(preview.value_or(Preview{}).picture.size(), QSize(136, 204));
        waitUntilIdle(previews);
        EXPECT_EQ(ready.size(), bySignal ? 1 : 0);
    }
}

}  // namespace
