#include <bit>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/EffectTable.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"

namespace imaging::effects {

namespace {

// One bit for each of the 2^24 colours: 2 MiB.
using ColourSet = std::vector<quint64>;
constexpr size_t kColourWords = (size_t(1) << 24) / 64;

// Bands running at the same time each mark their own set; a set is handed to the next band
// when its band is done, so there are never more sets than threads.
class ColourSets {
public:
    std::unique_ptr<ColourSet> take() {
        const std::lock_guard lock(mutex_);
        if (free_.empty()) return std::make_unique<ColourSet>(kColourWords);
        auto set = std::move(free_.back());
        free_.pop_back();
        return set;
    }

    void give(std::unique_ptr<ColourSet> set) {
        const std::lock_guard lock(mutex_);
        free_.push_back(std::move(set));
    }

    qint64 countUnion() {
        ColourSet& all = *free_.front();
        for (size_t i = 1; i < free_.size(); ++i)
            for (size_t word = 0; word < kColourWords; ++word) all[word] |= (*free_[i])[word];
        qint64 count = 0;
        for (quint64 word : all) count += std::popcount(word);
        return count;
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<ColourSet>> free_;
};

}  // namespace

qint64 countColors(const QImage& image) {
    const QImage pixels = kernelImage(image);
    const ConstPixels in(pixels);
    ColourSets sets;
    forEachRowBand(in.height, in.width, [&](int first, int end) {
        auto set = sets.take();
        quint64* bits = set->data();
        for (int y = first; y < end; ++y) {
            const quint32* row = in.row(y);
            for (int x = 0; x < in.width; ++x) {
                const quint32 colour = row[x] & 0xffffffu;
                bits[colour >> 6] |= quint64(1) << (colour & 63);
            }
        }
        sets.give(std::move(set));
    });
    return sets.countUnion();
}

}  // namespace imaging::effects
