#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Finding things in a screenshot by what they look like: a colour, a box of one colour, the
// rows of a list along one column, a picture drawn at some place.
namespace e2e {

// Consecutive pixels along a column (or a row) that share a property.
struct PixelRun {
    int start = 0;
    int length = 0;
    int end() const { return start + length; }  // one past the last pixel
    int middle() const { return start + length / 2; }
};

QString describe(QRgb colour);

// White: the ground of list boxes and text fields.
bool isWhite(QRgb colour);
// Strongly coloured: a selected row, as opposed to the greys of frames, buttons and text.
bool isSaturated(QRgb colour);

// The first pixel of exactly that colour, row by row.
std::optional<QPoint> findColour(const QImage& screen, const QRect& area, QRgb colour);

// A box of exactly `size` pixels of one colour, with other colours left of and right of
// each of its rows.
std::optional<QRect> findUniformBox(const QImage& screen, const QRect& area, QSize size);

std::vector<PixelRun> runsDown(const QImage& screen, int x, int top, int bottom,
                               const std::function<bool(QRgb)>& belongs);
std::vector<PixelRun> runsAcross(const QImage& screen, int y, int left, int right,
                                 const std::function<bool(QRgb)>& belongs);

// Where the screen at `origin` differs from `picture`: the bounding box, in the picture's
// own coordinates, of every pixel that does.
QRect differingArea(const QImage& screen, QPoint origin, const QImage& picture);

// The first pixel where the screen at `origin` differs from `picture`, in words; empty when
// the screen shows the picture exactly.
QString firstDifference(const QImage& screen, QPoint origin, const QImage& picture);

}  // namespace e2e
