#pragma once

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

namespace testing_support {

// Image files for the tests, written by Qt's own writers or the formats' reference encoders
// so they do not depend on the code under test. The format follows the name's suffix.

inline const QColor kLeftColour{200, 30, 30};
inline const QColor kRightColour{30, 30, 200};

// A width x height image, its left half kLeftColour and its right half kRightColour, so a
// preview shows which side ended up where. Returns the full path.
QString writeImage(const QString& folder, const QString& name, int width, int height);

// A JPEG cut off in the middle of its picture data.
QString writeTruncatedJpeg(const QString& folder, const QString& name);

// A valid PNG header claiming width x height pixels, followed by a few bytes of picture data:
// a decompression bomb in a few dozen bytes.
QString writePngHeader(const QString& folder, const QString& name, quint32 width, quint32 height);

// A greyscale TIFF with one page of each size, page n filled with grey level 40 n.
QString writeMultiPageTiff(const QString& folder, const QString& name, const QList<QSize>& pages);

}  // namespace testing_support
