#pragma once

#include <iterator>

namespace imaging {

// File formats by the numbers the program stores and passes around.
enum FormatCode : int {
    kFormatNone = 0,  // new, pasted, or a format without a code of its own (GIF, ICO, WebP)
    kFormatJpeg = 1,
    kFormatPng = 2,
    kFormatTiff = 3,
    kFormatPcx = 4,
    kFormatTga = 5,
    kFormatBmp = 6,
    kFormatWmf = 7,
    kFormatEmf = 8,
    // Read, never written: the photo formats of phones and the web.
    kFormatHeif = 9,  // HEIC and the other HEIF files but AVIF
    kFormatAvif = 10,
    kFormatJpegXl = 11,
};

// Whether the program saves images in the format, so that Save can write a document back.
constexpr bool isWritableFormat(int code) { return code >= kFormatJpeg && code <= kFormatEmf; }

// The format's short name as file managers and the command line show it; empty for none.
constexpr const char* formatLabel(int code) {
    constexpr const char* kLabels[] = {"",    "JPEG", "PNG", "TIFF", "PCX",  "Targa",
                                       "BMP", "WMF",  "EMF", "HEIF", "AVIF", "JPEG XL"};
    return code >= 0 && code < int(std::size(kLabels)) ? kLabels[code] : "";
}

}  // namespace imaging
