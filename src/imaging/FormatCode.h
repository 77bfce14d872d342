#pragma once

namespace imaging {

// File formats by the numbers the program stores and passes around.
enum FormatCode : int {
    kFormatNone = 0,  // new, pasted, or a format the program cannot write back (GIF, ICO, WebP)
    kFormatJpeg = 1,
    kFormatPng = 2,
    kFormatTiff = 3,
    kFormatPcx = 4,
    kFormatTga = 5,
    kFormatBmp = 6,
    kFormatWmf = 7,
    kFormatEmf = 8,
};

}  // namespace imaging
