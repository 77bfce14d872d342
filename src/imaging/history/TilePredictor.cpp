#include "imaging/history/TilePredictor.h"

#include "imaging/history/PixelRows32.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging::history {

namespace {

// The residuals of one row, in pixel order, with the green-like second byte taken out.
template <int B>
void rowResiduals(Predictor predictor, const uchar* row, const uchar* above, const uchar* neighbour,
                  int width, uchar* out) {
    if constexpr (B == 4) {
        if (width % 4 == 0)
            return rows32::makeResiduals(predictor, row, above, neighbour, width / 4, out);
    }
    if (predictor == Predictor::Neighbour) {
        for (int i = 0; i < width; ++i) out[i] = uchar(row[i] - neighbour[i]);
    } else {
        const int head = std::min(width, B);
        for (int i = 0; i < head; ++i) out[i] = uchar(row[i] - (above ? above[i] : 0));
        for (int i = B; i < width; ++i) out[i] = uchar(row[i] - row[i - B]);
    }
    if constexpr (B >= 3) {
        const int groups = width / B;
        for (int g = 0; g < groups; ++g) {
            uchar* pixel = out + g * B;
            pixel[0] = uchar(pixel[0] - pixel[1]);
            pixel[2] = uchar(pixel[2] - pixel[1]);
        }
    }
}

// Planes: byte p of every whole pixel of every row, one plane after another, then the bytes
// left over at the end of each row (padding of a row that is not a whole number of pixels).
template <int B>
void scatterRow(const uchar* residuals, int y, int rows, int width, uchar* out) {
    const int groups = width / B;
    const int tail = width - groups * B;
    const qsizetype plane = qsizetype(rows) * groups;
    if constexpr (B == 4) {
        if (tail == 0) {
            uchar* const planes[4] = {out + qsizetype(y) * groups, out + plane + y * groups,
                                      out + 2 * plane + y * groups, out + 3 * plane + y * groups};
            return rows32::scatter(residuals, groups, planes);
        }
    }
    for (int p = 0; p < B; ++p) {
        uchar* to = out + p * plane + qsizetype(y) * groups;
        for (int g = 0; g < groups; ++g) to[g] = residuals[g * B + p];
    }
    std::memcpy(out + B * plane + qsizetype(y) * tail, residuals + groups * B, size_t(tail));
}

template <int B>
void gatherRow(const uchar* in, int y, int rows, int width, uchar* residuals) {
    const int groups = width / B;
    const int tail = width - groups * B;
    const qsizetype plane = qsizetype(rows) * groups;
    if constexpr (B == 4) {
        if (tail == 0) {
            const uchar* const planes[4] = {in + qsizetype(y) * groups, in + plane + y * groups,
                                            in + 2 * plane + y * groups,
                                            in + 3 * plane + y * groups};
            return rows32::gather(planes, groups, residuals);
        }
    }
    for (int p = 0; p < B; ++p) {
        const uchar* from = in + p * plane + qsizetype(y) * groups;
        for (int g = 0; g < groups; ++g) residuals[g * B + p] = from[g];
    }
    std::memcpy(residuals + groups * B, in + B * plane + qsizetype(y) * tail, size_t(tail));
}

template <int B>
qint64 cost(Predictor predictor, TileBytes tile, TileBytes neighbour, int rows, int width) {
    std::vector<uchar> residuals(size_t(width), 0);
    qint64 sum = 0;
    for (int y = 0; y < rows; ++y) {
        const uchar* row = tile.first + y * tile.stride;
        rowResiduals<B>(predictor, row, y > 0 ? row - tile.stride : nullptr,
                        neighbour.first ? neighbour.first + y * neighbour.stride : nullptr, width,
                        residuals.data());
        sum += magnitude(residuals.data(), width);
    }
    return sum;
}

template <int B>
void forward(Predictor predictor, TileBytes tile, TileBytes neighbour, int rows, int width,
             uchar* out) {
    std::vector<uchar> residuals(size_t(width), 0);
    for (int y = 0; y < rows; ++y) {
        const uchar* row = tile.first + y * tile.stride;
        rowResiduals<B>(predictor, row, y > 0 ? row - tile.stride : nullptr,
                        neighbour.first ? neighbour.first + y * neighbour.stride : nullptr, width,
                        residuals.data());
        scatterRow<B>(residuals.data(), y, rows, width, out);
    }
}

template <int B>
void inverse(Predictor predictor, const uchar* in, TileBytes neighbour, uchar* tile,
             qsizetype stride, int rows, int width) {
    std::vector<uchar> residuals(size_t(width), 0);
    for (int y = 0; y < rows; ++y) {
        gatherRow<B>(in, y, rows, width, residuals.data());
        uchar* r = residuals.data();
        uchar* row = tile + y * stride;
        const uchar* above = y > 0 ? row - stride : nullptr;
        if constexpr (B == 4) {
            if (width % 4 == 0) {
                rows32::restoreRow(predictor, r, above,
                                   neighbour.first ? neighbour.first + y * neighbour.stride
                                                   : nullptr,
                                   width / 4, row);
                continue;
            }
        }
        if constexpr (B >= 3) {
            const int groups = width / B;
            for (int g = 0; g < groups; ++g) {
                uchar* pixel = r + g * B;
                pixel[0] = uchar(pixel[0] + pixel[1]);
                pixel[2] = uchar(pixel[2] + pixel[1]);
            }
        }
        if (predictor == Predictor::Neighbour) {
            const uchar* from = neighbour.first + y * neighbour.stride;
            for (int i = 0; i < width; ++i) row[i] = uchar(r[i] + from[i]);
        } else {
            const int head = std::min(width, B);
            for (int i = 0; i < head; ++i) row[i] = uchar(r[i] + (above ? above[i] : 0));
            for (int i = B; i < width; ++i) row[i] = uchar(r[i] + row[i - B]);
        }
    }
}

// Calls body with the pixel size as a compile-time constant, for every size a QImage format
// can have.
template <typename Body>
auto withPixelSize(int bpp, Body&& body) {
    switch (bpp) {
        case 2:
            return body(std::integral_constant<int, 2>());
        case 3:
            return body(std::integral_constant<int, 3>());
        case 4:
            return body(std::integral_constant<int, 4>());
        case 6:
            return body(std::integral_constant<int, 6>());
        case 8:
            return body(std::integral_constant<int, 8>());
        case 12:
            return body(std::integral_constant<int, 12>());
        case 16:
            return body(std::integral_constant<int, 16>());
        default:
            return body(std::integral_constant<int, 1>());
    }
}

}  // namespace

Predictor choosePredictor(TileBytes tile, TileBytes neighbour, int rows, int width, int bpp) {
    if (!neighbour.first) return Predictor::Left;
    return withPixelSize(bpp, [&](auto size) {
        constexpr int B = decltype(size)::value;
        const qint64 left = cost<B>(Predictor::Left, tile, {}, rows, width);
        const qint64 near = cost<B>(Predictor::Neighbour, tile, neighbour, rows, width);
        return near <= left ? Predictor::Neighbour : Predictor::Left;
    });
}

void makeResiduals(Predictor predictor, TileBytes tile, TileBytes neighbour, int rows, int width,
                   int bpp, uchar* out) {
    withPixelSize(bpp, [&](auto size) {
        forward<decltype(size)::value>(predictor, tile, neighbour, rows, width, out);
    });
}

void applyResiduals(Predictor predictor, const uchar* residuals, TileBytes neighbour, uchar* tile,
                    qsizetype stride, int rows, int width, int bpp) {
    withPixelSize(bpp, [&](auto size) {
        inverse<decltype(size)::value>(predictor, residuals, neighbour, tile, stride, rows, width);
    });
}

}  // namespace imaging::history
