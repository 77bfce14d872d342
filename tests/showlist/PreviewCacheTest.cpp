#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
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
using testing_support::TempFolder;
using testing_support::writeImage;

Preview browserPreview(const QString& path) {
    return showlist::makePreview(path, showlist::kBrowserWideRatio);
}

// A preview of 10 x 10 pixels, 400 bytes, filled with one grey level.
Preview greyPreview(int level) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(qRgb(level, level, level));
    return {10, 10, picture};
}

PreviewStamp stamp(const char* path, qint64 bytes = 1, qint64 modified = 2, qint64 changed = 3) {
    return {path, bytes, modified, changed};
}

// Paths found in the cache, in the order asked.
QStringList cached(PreviewCache& cache, const QStringList& paths) {
    QStringList found;
    for (const QString& path : paths)
        if (cache.find({path, 1, 2, 3})) found << path;
    return found;
}

TEST(PreviewCache, KeepsWithinItsBytesByDroppingTheLeastRecentlyUsed) {
    PreviewCache cache(1000);  // room for two previews of 400 bytes
    cache.insert(stamp("a"), greyPreview(1));
    cache.insert(stamp("b"), greyPreview(2));
    ASSERT_TRUE(cache.find(stamp("a")));  // a is now used more recently than b
    cache.insert(stamp("c"), greyPreview(3));
    EXPECT_EQ(cached(cache, {"a", "b", "c"}), QStringList({"a", "c"}));
    EXPECT_EQ(cache.bytes(), 800);
    // Looking up a, then c, left a the oldest.
    cache.insert(stamp("d"), greyPreview(4));
    EXPECT_EQ(cached(cache, {"d", "b", "c", "a"}), QStringList({"d", "c"}));
    // A newer preview of the same path takes the older one's place and bytes.
    cache.insert(stamp("c", 9), greyPreview(5));
    EXPECT_EQ(cache.count(), 2);
    EXPECT_EQ(cache.bytes(), 800);
    EXPECT_FALSE(cache.find(stamp("c")));
    EXPECT_EQ(cache.find(stamp("c", 9))->picture.pixel(0, 0), qRgb(5, 5, 5));
    EXPECT_EQ(cache.find(stamp("d"))->picture.pixel(0, 0), qRgb(4, 4, 4));
    // A picture larger than the whole bound is not kept, and pushes nothing out.
    QImage huge(20, 20, QImage::Format_RGB32);
    cache.insert(stamp("e"), {20, 20, huge});
    EXPECT_EQ(cache.count(), 2);
    EXPECT_FALSE(cache.find(stamp("e")));
}

TEST(PreviewCache, FindsAPreviewOnlyForTheFileAsItWasRead) {
    PreviewCache cache(1 << 20);
    cache.insert(stamp("/p/a.jpg", 100, 2000, 3000), greyPreview(7));
    EXPECT_TRUE(cache.find(stamp("/p/a.jpg", 100, 2000, 3000)));
    for (const PreviewStamp& other :
         {stamp("/p/a.jpg", 101, 2000, 3000), stamp("/p/a.jpg", 100, 2001, 3000),
          stamp("/p/a.jpg", 100, 2000, 3001), stamp("/p/b.jpg", 100, 2000, 3000)})
        EXPECT_FALSE(cache.find(other)) << other.path.toStdString() << " " << other.bytes;
}

TEST(PreviewStamp, NamesTheFileSizeAndTimesOrNothingForAMissingFile) {
    TempFolder folder;
    const QString path = folder.write("x.bin", "12345");
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1700000000123);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();
    const std::optional<PreviewStamp> found = PreviewStamp::of(path);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, path);
    EXPECT_EQ(found->bytes, 5);
    EXPECT_EQ(found->modifiedNs, 1700000000123 * 1'000'000);
    EXPECT_FALSE(PreviewStamp::of(folder.filePath("missing.jpg")));
}

// A decoder that records what it has decoded and holds the preview of every
// file named "hold.png" until let go, so a test knows which requests a busy
// worker leaves queued.
class GatedDecoder {
public:
    PreviewPrefetcher::Decoder decoder() {
        return [this](const QString& path) {
            Preview preview = browserPreview(path);
            std::unique_lock lock(mutex_);
            decoded_ << QFileInfo(path).fileName();
            changed_.notify_all();
            if (path.endsWith("hold.png")) changed_.wait(lock, [&] { return open_; });
            return preview;
        };
    }
    void waitUntilHolding() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return decoded_.contains("hold.png"); });
    }
    void letGo() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    QStringList decoded() {
        const std::lock_guard lock(mutex_);
        return decoded_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    QStringList decoded_;
    bool open_ = false;
};

class Prefetch : public ::testing::Test {
protected:
    QString image(const QString& name, int width, int height) {
        return writeImage(folder.path(), name, width, height);
    }
    void waitUntilIdle(PreviewPrefetcher& previews) {
        QSignalSpy idle(&previews, &PreviewPrefetcher::idle);
        while (!previews.isIdle()) ASSERT_TRUE(idle.wait(60000));
    }
    static std::optional<Preview> cachedNow(PreviewPrefetcher& previews, const QString& path) {
        const std::optional<PreviewStamp> now = PreviewStamp::of(path);
        return now ? previews.cache().find(*now) : std::nullopt;
    }
    static void expectSamePixels(const std::optional<Preview>& preview, const QString& path) {
        ASSERT_TRUE(preview) << path.toStdString();
        const Preview direct = browserPreview(path);
        EXPECT_EQ(preview->width, direct.width);
        EXPECT_EQ(preview->height, direct.height);
        EXPECT_EQ(preview->picture, direct.picture) << path.toStdString();
    }

    TempFolder folder;
    GatedDecoder gate;
};

TEST_F(Prefetch, NeighboursArePreviewedPixelForPixelAsTheFileListWould) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QStringList paths = {image("wide.jpg", 1200, 500), image("tall.png", 90, 400),
                               image("square.bmp", 333, 333), image("sliver.png", 900, 2)};
    previews.prefetch(paths);
    waitUntilIdle(previews);
    for (const QString& path : paths) expectSamePixels(cachedNow(previews, path), path);
    // Asked for again, a cached file is neither decoded again nor awaited.
    const int decodes = int(gate.decoded().size());
    previews.prefetch(paths);
    const std::optional<Preview> shown = previews.await(paths[1]);
    expectSamePixels(shown, paths[1]);
    EXPECT_FALSE(previews.isAwaiting());
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded().size(), decodes);
}

TEST_F(Prefetch, MovingOnDropsTheQueuedNeighboursButFinishesTheRunningOne) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 1);
    const QString hold = image("hold.png", 40, 40), a = image("a.png", 40, 40),
                  b = image("b.png", 40, 40), c = image("c.png", 40, 40);
    previews.prefetch({hold, a, b});
    gate.waitUntilHolding();
    previews.prefetch({c, b});
    gate.letGo();
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded(), QStringList({"hold.png", "b.png", "c.png"}));
    EXPECT_TRUE(cachedNow(previews, hold));
    EXPECT_FALSE(cachedNow(previews, a));
}

TEST_F(Prefetch, TheAwaitedFileGoesAheadOfNeighboursAndArrivesBySignal) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QString hold = image("hold.png", 40, 40), a = image("a.png", 40, 40),
                  clicked = image("clicked.png", 300, 200);
    previews.prefetch({hold, a});
    gate.waitUntilHolding();
    QSignalSpy ready(&previews, &PreviewPrefetcher::awaitedReady);
    EXPECT_FALSE(previews.await(clicked));
    ASSERT_TRUE(ready.wait(60000));
    // The second worker took the click while the first held the neighbours back.
    EXPECT_EQ(gate.decoded(), QStringList({"hold.png", "clicked.png"}));
    const auto outcome = ready.at(0).at(0).value<PreviewOutcome>();
    EXPECT_EQ(outcome.path, clicked);
    expectSamePixels(outcome.preview, clicked);
    EXPECT_FALSE(previews.settle());  // handed over already
    gate.letGo();
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded(), QStringList({"hold.png", "clicked.png", "a.png"}));
}

TEST_F(Prefetch, SettlingDecodesHereWhenEveryWorkerIsBusy) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 1);
    const QString hold = image("hold.png", 40, 40), clicked = image("clicked.png", 50, 90);
    previews.prefetch({hold});
    gate.waitUntilHolding();
    EXPECT_FALSE(previews.await(clicked));
    const std::optional<PreviewOutcome> outcome = previews.settle();
    ASSERT_TRUE(outcome);
    expectSamePixels(outcome->preview, clicked);
    EXPECT_FALSE(previews.isAwaiting());
    gate.letGo();
    waitUntilIdle(previews);
    EXPECT_EQ(gate.decoded(), QStringList({"hold.png", "clicked.png"}));
}

TEST_F(Prefetch, AnUnreadableNeighbourIsSkippedAndRefusedWhenAwaited) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QString bad = folder.write("bad.jpg", "no picture here"),
                  good = image("good.png", 64, 48);
    testing_support::writeTruncatedJpeg(folder.path(), "cut.jpg");
    const QString cut = folder.filePath("cut.jpg"), gone = folder.filePath("gone.png");
    previews.prefetch({bad, cut, gone, good});
    waitUntilIdle(previews);
    expectSamePixels(cachedNow(previews, good), good);
    for (const QString& path : {bad, cut, gone}) {
        EXPECT_FALSE(previews.await(path));
        const std::optional<PreviewOutcome> outcome = previews.settle();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->path, path);
        EXPECT_FALSE(outcome->preview);
    }
    expectSamePixels(previews.await(good), good);
}

// A file written again under the same name, its modification time moved on or
// set back.
struct RewriteCase {
    const char* name;
    QSize before, after;
    qint64 modifiedShift;  // ms added to the first file's modification time
};

class PrefetchRewrite : public Prefetch, public ::testing::WithParamInterface<RewriteCase> {};

TEST_P(PrefetchRewrite, ShowsTheNewPixelsNeverTheOldPreview) {
    const RewriteCase& c = GetParam();
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QString path = image("photo.bmp", c.before.width(), c.before.height());
    previews.prefetch({path});
    waitUntilIdle(previews);
    const QImage first = cachedNow(previews, path)->picture;
    const QDateTime modified = QFileInfo(path).lastModified();

    // The colours change sides: the same size of file, other pixels.
    QImage swapped(c.after, QImage::Format_RGB32);
    swapped.fill(testing_support::kRightColour);
    ASSERT_TRUE(swapped.save(path, "BMP"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(modified.addMSecs(c.modifiedShift), QFileDevice::FileModificationTime));
    file.close();

    EXPECT_FALSE(previews.await(path));
    const std::optional<PreviewOutcome> outcome = previews.settle();
    ASSERT_TRUE(outcome);
    expectSamePixels(outcome->preview, path);
    EXPECT_NE(outcome->preview->picture, first);
}

INSTANTIATE_TEST_SUITE_P(, PrefetchRewrite,
                         ::testing::Values(RewriteCase{"same_size_later", {60, 40}, {60, 40}, 5000},
                                           RewriteCase{"same_time_larger", {60, 40}, {80, 40}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

enum class HandedOver { BySettling, BySignal };

class PrefetchChangedWhileDecoding : public Prefetch,
                                     public ::testing::WithParamInterface<HandedOver> {};

TEST_P(PrefetchChangedWhileDecoding, TheDecodeOfTheOldFileIsNotHandedOver) {
    PreviewPrefetcher previews(gate.decoder(), 1 << 24, 2);
    const QString path = image("hold.png", 60, 40);
    previews.prefetch({path});
    gate.waitUntilHolding();  // decoded, not yet handed back
    image("hold.png", 40, 60);
    EXPECT_FALSE(previews.await(path));
    QSignalSpy ready(&previews, &PreviewPrefetcher::awaitedReady);
    gate.letGo();
    std::optional<PreviewOutcome> outcome;
    if (GetParam() == HandedOver::BySettling) {
        outcome = previews.settle();
    } else {
        ASSERT_TRUE(ready.wait(60000));
        outcome = ready.at(0).at(0).value<PreviewOutcome>();
    }
    ASSERT_TRUE(outcome);
    expectSamePixels(outcome->preview, path);
    EXPECT_EQ(outcome->preview->picture.size(), QSize(136, 204));
    waitUntilIdle(previews);
    EXPECT_EQ(ready.size(), GetParam() == HandedOver::BySignal ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(, PrefetchChangedWhileDecoding,
                         ::testing::Values(HandedOver::BySettling, HandedOver::BySignal));

TEST_F(Prefetch, StoppingWithDecodesQueuedAndRunningReturnsOnceTheRunningOneEnds) {
    QStringList paths;
    for (int i = 0; i < 6; ++i) paths << image(QString("p%1.png").arg(i), 200, 150);
    auto previews = std::make_unique<PreviewPrefetcher>(gate.decoder(), 1 << 24, 2);
    previews->prefetch(QStringList{image("hold.png", 40, 40)} + paths);
    EXPECT_FALSE(previews->await(paths.last()));
    gate.waitUntilHolding();
    gate.letGo();
    previews.reset();
    // Results reported after the end go nowhere.
    QCoreApplication::processEvents();
}

}  // namespace
