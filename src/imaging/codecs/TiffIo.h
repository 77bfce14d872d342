#pragma once

#include <tiffio.h>

#include <QIODevice>
#include <QString>
#include <memory>

#include "imaging/codecs/ByteReader.h"

// libtiff on bytes in memory (reading) or on a Qt device (writing, or both for a QBuffer),
// shared by the TIFF codec and the writer that keeps a file's pages. libtiff's complaints
// are kept for our messages instead of printed.
namespace imaging::codecs::tiff {

struct Stream {
    Bytes data;
    QIODevice* device = nullptr;
    toff_t position = 0;
    char error[256] = {};

    QString errorText() const { return QString::fromLocal8Bit(error); }
};

struct CloseTiff {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, CloseTiff>;

// Null when libtiff refuses; the reason is then in stream.error. `mode` as for TIFFOpen.
TiffHandle open(Stream& stream, const char* mode);

// A tag's value, libtiff's default for it where the file has none, else `fallback`.
template <typename T>
T field(TIFF* tiff, ttag_t tag, T fallback) {
    T value = fallback;
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

}  // namespace imaging::codecs::tiff
