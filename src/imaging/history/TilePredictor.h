#pragma once

#include <QtGlobal>

// Turns a tile of image bytes into residuals that compress well, and back. A tile is a
// rectangle of `rows` rows of `width` bytes, `stride` bytes apart in memory; `bpp` is the
// number of bytes a pixel takes (1 for formats of less than a byte a pixel). The neighbouring
// state's tile, the same rectangle, may lie apart from the image (its rows copied out), so it
// has a stride of its own; none is given as a null `first`.
//
// Residuals are reordered into one plane per byte of a pixel, so the compressor sees the
// blue, green, red and alpha bytes as separate runs with their own statistics. For pixels of
// three bytes or more the second byte is subtracted from the first and the third: a photo's
// channels move together, so what is left of blue and red is mostly small.
namespace imaging::history {

enum class Predictor : quint8 {
    // Each byte less the same byte of the pixel to its left (the one above at the tile's
    // left edge): for tiles whose content is new.
    Left = 1,
    // Each byte less the same byte of the neighbouring state: for tiles a command touched
    // only in places, or changed by a little everywhere.
    Neighbour = 2,
};

struct TileBytes {
    const uchar* first = nullptr;
    qsizetype stride = 0;
};

// The predictor that leaves the smaller residuals; Left when there is no neighbour.
Predictor choosePredictor(TileBytes tile, TileBytes neighbour, int rows, int width, int bpp);

// Writes rows * width residual bytes to `out`.
void makeResiduals(Predictor predictor, TileBytes tile, TileBytes neighbour, int rows, int width,
                   int bpp, uchar* out);

// Rebuilds the tile at `tile` (written) from residuals made by makeResiduals.
void applyResiduals(Predictor predictor, const uchar* residuals, TileBytes neighbour, uchar* tile,
                    qsizetype stride, int rows, int width, int bpp);

}  // namespace imaging::history
