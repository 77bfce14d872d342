#pragma once

#include <tiffio.h>

#include <cstdint>

// The data of a TIFF page against the size its directory declares, checked before any pixel
// memory is allocated for the page.
namespace imaging::codecs::tiff {

// Refuses (kCorruptFile) the current page of `tiff` when one of its strips or tiles reaches
// past the end of the file of `fileSize` bytes, or when all of them together could not hold
// the page's samples even at the best ratio of its compression. Pages of a compression with
// no such bound (LZMA, WebP, ...) are held to the end of the file only; old-style JPEG, which
// libtiff reads its own way, to neither.
void requireDataForPage(TIFF* tiff, std::uint64_t fileSize);

}  // namespace imaging::codecs::tiff
