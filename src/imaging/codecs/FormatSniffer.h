#pragma once

#include "imaging/codecs/ByteReader.h"

namespace imaging::codecs {

// The kinds of file the engine reads. Several kinds share format code 0 because the program
// cannot write them back.
enum class FileKind {
    Unknown,
    Jpeg,
    Png,
    Tiff,
    Pcx,
    Tga,
    Bmp,
    Wmf,
    Emf,
    Gif,
    WebP,
    Icon,
    Heif,
    Avif,
    JpegXl
};

// Recognises a file from its content alone: a PNG named .jpg is a PNG. Formats with a magic
// number are tried first; Targa, which has none, only when its header is consistent.
FileKind sniffFormat(Bytes data);

int formatCodeOf(FileKind kind);

}  // namespace imaging::codecs
