#pragma once

#include <QtGlobal>

#include "imaging/history/TilePredictor.h"

// The row steps of TilePredictor for pixels of four bytes, the engine's own formats, on SSE2
// where the processor has it. Residuals are in pixel order, with the second byte of each pixel
// already taken from the first and the third.
namespace imaging::history::rows32 {

// `above` (Left) and `neighbour` (Neighbour) may be null where the predictor does not use them.
void makeResiduals(Predictor predictor, const uchar* row, const uchar* above,
                   const uchar* neighbour, int pixels, uchar* out);
void restoreRow(Predictor predictor, const uchar* residuals, const uchar* above,
                const uchar* neighbour, int pixels, uchar* row);

// Pixel order to one plane per byte of a pixel, and back.
void scatter(const uchar* residuals, int pixels, uchar* const planes[4]);
void gather(const uchar* const planes[4], int pixels, uchar* residuals);

}  // namespace imaging::history::rows32

namespace imaging::history {
// Sum of the bytes' magnitudes read as signed: how large residuals are.
qint64 magnitude(const uchar* bytes, int count);
}  // namespace imaging::history
