#pragma once

#include <QColorSpace>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPoint>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

// Compresses a state of an image, either on its own or as the tiles in which it differs from a
// neighbouring state of the same shape. Tiles are compressed with zstd after a predictor
// (see TilePredictor.h), on all of the engine's threads.
namespace imaging::history {

// Pixels of a tile across and rows of a tile down.
inline constexpr int kTilePixels = 256;
inline constexpr int kTileRows = 256;

// Everything a QImage is besides its pixel bytes, so a decoded state equals the original.
struct ImageHeader {
    int width = 0;
    int height = 0;
    QImage::Format format = QImage::Format_Invalid;
    qsizetype bytesPerLine = 0;
    QList<QRgb> colorTable;
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
    QPoint offset;
    qreal devicePixelRatio = 1;
    QColorSpace colorSpace;
    QMap<QString, QString> text;
};

enum class Threads {
    Engine,         // the engine's pool: for work the user waits for
    CallingThread,  // for a background thread, which must not hold the pool up
};

class EncodedImage {
public:
    // One tile of the grid.
    struct Tile {
        quint8 predictor = 0;  // 0: the neighbour's tile, unchanged
        std::vector<uchar> compressed;
    };

    // Bytes this holds: the compressed tiles, their table and the colour table.
    std::int64_t bytes() const;
    // Whether decoding needs the neighbouring state it was made against.
    bool relative() const { return relative_; }
    // Tiles stored, as opposed to taken from the neighbour, and all tiles.
    int storedTiles() const;
    int tileCount() const { return int(tiles_.size()); }
    // Bytes of the image once decoded.
    std::int64_t decodedBytes() const {
        return std::int64_t(header_.bytesPerLine) * header_.height;
    }

private:
    friend EncodedImage encode(const QImage&, const QImage&, const std::atomic<bool>*, Threads,
                               const EncodedImage*);
    friend QImage decode(const EncodedImage&, const QImage&, QImage);
    friend bool fitsInto(const EncodedImage&, const QImage&);
    friend QImage memoryFor(const EncodedImage&);
    friend bool canSwapInto(const EncodedImage&, const QImage&);
    friend EncodedImage swapInto(const EncodedImage&, QImage&);

    ImageHeader header_;
    bool relative_ = false;
    std::vector<Tile> tiles_;
};

// Encodes `image`; relative to `neighbour` when both have the same size, format and row
// length. Returns an empty encoding as soon as `cancelled` is set. `differsOnlyWhere`, an
// encoding relative to `image` that `neighbour` was decoded from, spares comparing the tiles it
// took unchanged.
EncodedImage encode(const QImage& image, const QImage& neighbour,
                    const std::atomic<bool>* cancelled = nullptr,
                    Threads threads = Threads::Engine,
                    const EncodedImage* differsOnlyWhere = nullptr);

// Whether decode() can write `encoded` into `reuse`.
bool fitsInto(const EncodedImage& encoded, const QImage& reuse);

// New memory that decode() can write `encoded` into.
QImage memoryFor(const EncodedImage& encoded);

// Whether swapInto() can restore `encoded` in `current`'s own memory: it is relative, of the
// same shape, and no one else shares `current`.
bool canSwapInto(const EncodedImage& encoded, const QImage& current);

// Writes the state `encoded` holds into `current`, the state it was encoded against, changing
// only the tiles it stores, and returns what `current` held, encoded relative to what it now
// holds. For a step that changed little this needs neither a whole image's memory nor a pass
// over the unchanged tiles. Throws std::runtime_error, with `current` unchanged, for data that
// does not decode.
EncodedImage swapInto(const EncodedImage& encoded, QImage& current);

// The image `encoded` was made from. `neighbour` must be the state it was encoded against
// when it is relative(). `reuse`, an image no one else shares, is written over when it has the
// right shape, which spares the system the work of supplying fresh memory. Throws
// std::runtime_error for data that does not decode.
QImage decode(const EncodedImage& encoded, const QImage& neighbour, QImage reuse = {});

}  // namespace imaging::history
