#include "imaging/history/TileCodec.h"

#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imaging/ImageMemory.h"
#include "imaging/effects/RowBands.h"
#include "imaging/history/TilePredictor.h"

namespace imaging::history {

namespace {

// Level 1 is zstd's fastest level that still entropy-codes literals (the negative levels do
// not), and that coding is where the gain on a photo's noisy residuals comes from: they hold
// few repeats for the match finder of the higher levels to find.
constexpr int kCompressionLevel = 1;

struct Contexts {
    ZSTD_CCtx* compress = ZSTD_createCCtx();
    ZSTD_DCtx* decompress = ZSTD_createDCtx();
    std::vector<uchar> residuals;
    std::vector<uchar> compressed;
    Contexts() = default;
    Contexts(const Contexts&) = delete;
    Contexts& operator=(const Contexts&) = delete;
    ~Contexts() {
        ZSTD_freeCCtx(compress);
        ZSTD_freeDCtx(decompress);
    }
};

// One set per thread: the pool's threads live as long as the program and reuse them.
Contexts& contexts() {
    thread_local Contexts perThread;
    return perThread;
}

int bytesPerPixel(QImage::Format format) {
    return std::max(1, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

// The grid of tiles over an image's rows of bytes: padding at the end of a row belongs to
// the last column of tiles.
struct Grid {
    int bpp = 1;
    qsizetype rowBytes = 0;
    int height = 0;
    int tileBytes = 0;
    int across = 0;
    int down = 0;

    explicit Grid(const ImageHeader& header)
        : bpp(bytesPerPixel(header.format)),
          rowBytes(header.bytesPerLine),
          height(header.height),
          tileBytes(kTilePixels * bpp),
          across(int((rowBytes + tileBytes - 1) / tileBytes)),
          down((height + kTileRows - 1) / kTileRows) {}

    int count() const { return across * down; }
    qsizetype offset(int tile) const {
        return qsizetype(tile / across) * kTileRows * rowBytes +
               qsizetype(tile % across) * tileBytes;
    }
    int rows(int tile) const { return std::min(kTileRows, height - (tile / across) * kTileRows); }
    int width(int tile) const {
        return int(std::min<qsizetype>(tileBytes, rowBytes - qsizetype(tile % across) * tileBytes));
    }
};

ImageHeader headerOf(const QImage& image) {
    ImageHeader header;
    if (image.isNull()) return header;
    header.width = image.width();
    header.height = image.height();
    header.format = image.format();
    header.bytesPerLine = image.bytesPerLine();
    header.colorTable = image.colorTable();
    header.dotsPerMeterX = image.dotsPerMeterX();
    header.dotsPerMeterY = image.dotsPerMeterY();
    header.offset = image.offset();
    header.devicePixelRatio = image.devicePixelRatio();
    header.colorSpace = image.colorSpace();
    for (const QString& key : image.textKeys()) header.text.insert(key, image.text(key));
    return header;
}

bool fits(const ImageHeader& header, const QImage& reuse) {
    return reuse.width() == header.width && reuse.height() == header.height &&
           reuse.format() == header.format && reuse.bytesPerLine() == header.bytesPerLine &&
           reuse.isDetached() && reuse.textKeys() == header.text.keys();
}

// An image of the header's shape and metadata, its pixels not yet written.
QImage blankFrom(const ImageHeader& header, QImage reuse) {
    QImage image = fits(header, reuse) ? std::move(reuse)
                                       : allocateImage(header.width, header.height, header.format);
    if (!image.isNull() && image.bytesPerLine() != header.bytesPerLine)
        image = QImage(header.width, header.height, header.format);
    if (image.isNull() || image.bytesPerLine() != header.bytesPerLine)
        throw std::runtime_error("An undo step cannot be restored: out of memory.");
    image.setColorTable(header.colorTable);
    image.setDotsPerMeterX(header.dotsPerMeterX);
    image.setDotsPerMeterY(header.dotsPerMeterY);
    image.setOffset(header.offset);
    image.setDevicePixelRatio(header.devicePixelRatio);
    image.setColorSpace(header.colorSpace);
    for (auto it = header.text.cbegin(); it != header.text.cend(); ++it)
        image.setText(it.key(), it.value());
    return image;
}

bool sameShape(const QImage& a, const QImage& b) {
    return !a.isNull() && !b.isNull() && a.size() == b.size() && a.format() == b.format() &&
           a.bytesPerLine() == b.bytesPerLine();
}

bool sameTile(const uchar* a, const uchar* b, qsizetype stride, int rows, int width) {
    for (int y = 0; y < rows; ++y)
        if (std::memcmp(a + y * stride, b + y * stride, size_t(width)) != 0) return false;
    return true;
}

// Compresses one tile, against the neighbouring state's when one is given.
void compressTile(Contexts& scratch, TileBytes tile, TileBytes near, int rows, int width, int bpp,
                  EncodedImage::Tile& stored) {
    const Predictor predictor = choosePredictor(tile, near, rows, width, bpp);
    const size_t raw = size_t(rows) * size_t(width);
    scratch.residuals.resize(raw);
    makeResiduals(predictor, tile, near, rows, width, bpp, scratch.residuals.data());
    scratch.compressed.resize(ZSTD_compressBound(raw));
    const size_t size =
        ZSTD_compressCCtx(scratch.compress, scratch.compressed.data(), scratch.compressed.size(),
                          scratch.residuals.data(), raw, kCompressionLevel);
    if (ZSTD_isError(size)) throw std::runtime_error(ZSTD_getErrorName(size));
    stored.predictor = quint8(predictor);
    stored.compressed.assign(scratch.compressed.data(), scratch.compressed.data() + size);
}

void decompressTile(Contexts& scratch, const EncodedImage::Tile& stored, TileBytes near,
                    uchar* into, qsizetype stride, int rows, int width, int bpp) {
    const size_t raw = size_t(rows) * size_t(width);
    scratch.residuals.resize(raw);
    const size_t size = ZSTD_decompressDCtx(scratch.decompress, scratch.residuals.data(), raw,
                                            stored.compressed.data(), stored.compressed.size());
    if (ZSTD_isError(size) || size != raw)
        throw std::runtime_error("An undo step does not decompress.");
    applyResiduals(Predictor(stored.predictor), scratch.residuals.data(), near, into, stride, rows,
                   width, bpp);
}

}  // namespace

bool fitsInto(const EncodedImage& encoded, const QImage& reuse) {
    return fits(encoded.header_, reuse);
}

QImage memoryFor(const EncodedImage& encoded) {
    const ImageHeader& header = encoded.header_;
    if (header.format == QImage::Format_Invalid) return {};
    QImage image = allocateImage(header.width, header.height, header.format);
    return image.bytesPerLine() == header.bytesPerLine ? image : QImage();
}

std::int64_t EncodedImage::bytes() const {
    std::int64_t sum = std::int64_t(sizeof(EncodedImage)) +
                       std::int64_t(tiles_.capacity() * sizeof(Tile)) +
                       std::int64_t(header_.colorTable.size() * sizeof(QRgb));
    for (const Tile& tile : tiles_) sum += std::int64_t(tile.compressed.capacity());
    return sum;
}

int EncodedImage::storedTiles() const {
    return int(std::count_if(tiles_.begin(), tiles_.end(),
                             [](const Tile& tile) { return tile.predictor != 0; }));
}

EncodedImage encode(const QImage& image, const QImage& neighbour,
                    const std::atomic<bool>* cancelled, Threads threads,
                    const EncodedImage* differsOnlyWhere) {
    EncodedImage out;
    out.header_ = headerOf(image);
    if (image.isNull()) return out;
    out.relative_ = sameShape(image, neighbour);
    const Grid grid(out.header_);
    out.tiles_.resize(size_t(grid.count()));
    const uchar* pixels = image.constBits();
    const uchar* near = out.relative_ ? neighbour.constBits() : nullptr;
    const qsizetype stride = grid.rowBytes;
    const bool knownSame = near && differsOnlyWhere && differsOnlyWhere->relative_ &&
                           differsOnlyWhere->tiles_.size() == out.tiles_.size();

    const auto encodeTiles = [&](int first, int end) {
        Contexts& scratch = contexts();
        for (int t = first; t < end; ++t) {
            if (cancelled && cancelled->load(std::memory_order_relaxed)) return;
            if (knownSame && differsOnlyWhere->tiles_[size_t(t)].predictor == 0) continue;
            const qsizetype at = grid.offset(t);
            const int rows = grid.rows(t);
            const int width = grid.width(t);
            const uchar* nearTile = near ? near + at : nullptr;
            if (nearTile && sameTile(pixels + at, nearTile, stride, rows, width)) continue;
            compressTile(scratch, {pixels + at, stride}, {nearTile, stride}, rows, width, grid.bpp,
                         out.tiles_[size_t(t)]);
        }
    };
    if (threads == Threads::Engine)
        effects::forEachRowBand(grid.count(), qint64(kTilePixels) * kTileRows, encodeTiles);
    else
        encodeTiles(0, grid.count());
    if (cancelled && cancelled->load()) return {};
    return out;
}

bool canSwapInto(const EncodedImage& encoded, const QImage& current) {
    return encoded.relative_ && fits(encoded.header_, current);
}

EncodedImage swapInto(const EncodedImage& encoded, QImage& current) {
    if (!canSwapInto(encoded, current))
        throw std::logic_error("An undo step cannot be restored in the image's own memory.");
    const Grid grid(encoded.header_);
    std::vector<int> changed;
    for (int t = 0; t < grid.count(); ++t)
        if (encoded.tiles_[size_t(t)].predictor != 0) changed.push_back(t);
    EncodedImage out;
    out.header_ = headerOf(current);
    out.relative_ = true;
    out.tiles_.resize(encoded.tiles_.size());

    // First every changed tile is restored aside and the current one encoded against it: a
    // step that does not decode leaves the image as it was.
    const qsizetype tileSize = qsizetype(kTileRows) * grid.tileBytes;
    std::vector<uchar> restored(changed.size() * size_t(tileSize));
    const uchar* pixels = current.constBits();
    const qsizetype stride = grid.rowBytes;
    const qint64 work = qint64(kTilePixels) * kTileRows;
    effects::forEachRowBand(int(changed.size()), work, [&](int first, int end) {
        Contexts& scratch = contexts();
        for (int i = first; i < end; ++i) {
            const int t = changed[size_t(i)];
            const qsizetype at = grid.offset(t);
            uchar* aside = restored.data() + i * tileSize;
            decompressTile(scratch, encoded.tiles_[size_t(t)], {pixels + at, stride}, aside,
                           grid.tileBytes, grid.rows(t), grid.width(t), grid.bpp);
            compressTile(scratch, {pixels + at, stride}, {aside, grid.tileBytes}, grid.rows(t),
                         grid.width(t), grid.bpp, out.tiles_[size_t(t)]);
        }
    });

    QImage image = blankFrom(encoded.header_, std::move(current));
    uchar* bits = image.bits();
    effects::forEachRowBand(int(changed.size()), work, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const int t = changed[size_t(i)];
            const uchar* aside = restored.data() + i * tileSize;
            for (int y = 0; y < grid.rows(t); ++y)
                std::memcpy(bits + grid.offset(t) + y * stride, aside + y * grid.tileBytes,
                            size_t(grid.width(t)));
        }
    });
    current = std::move(image);
    return out;
}

QImage decode(const EncodedImage& encoded, const QImage& neighbour, QImage reuse) {
    const ImageHeader& header = encoded.header_;
    if (header.format == QImage::Format_Invalid) return {};
    if (encoded.relative_ &&
        (neighbour.width() != header.width || neighbour.height() != header.height ||
         neighbour.format() != header.format || neighbour.bytesPerLine() != header.bytesPerLine))
        throw std::runtime_error("An undo step was decoded against the wrong neighbour.");
    QImage image = blankFrom(header, std::move(reuse));
    const Grid grid(header);
    uchar* pixels = image.bits();
    const uchar* near = encoded.relative_ ? neighbour.constBits() : nullptr;
    const qsizetype stride = grid.rowBytes;

    effects::forEachRowBand(grid.count(), qint64(kTilePixels) * kTileRows, [&](int first, int end) {
        Contexts& scratch = contexts();
        for (int t = first; t < end; ++t) {
            const EncodedImage::Tile& stored = encoded.tiles_[size_t(t)];
            const qsizetype at = grid.offset(t);
            const int rows = grid.rows(t);
            const int width = grid.width(t);
            if (stored.predictor == 0) {
                for (int y = 0; y < rows; ++y)
                    std::memcpy(pixels + at + y * stride, near + at + y * stride, size_t(width));
                continue;
            }
            decompressTile(scratch, stored, {near ? near + at : nullptr, stride}, pixels + at,
                           stride, rows, width, grid.bpp);
        }
    });
    return image;
}

}  // namespace imaging::history
