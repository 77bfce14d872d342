#pragma once

#include <QSize>
#include <optional>

#include "imaging/codecs/ByteReader.h"

// A HEIF image made of tiles ("grid", as phones write their photos) is decoded at the size
// its grid record gives, which libheif 1.15 does not hold to the size the file declares for
// the image ("ispe"): a file can declare 37 x 23 pixels and have 18290 x 26980 allocated.
// This reads an image's grid record straight from the file's boxes, so that size passes the
// limits before libheif decodes.
namespace imaging::codecs {

// The output size of the grid that is the item `item`; none when that item is no grid or its
// record cannot be found. Throws kCorruptFile for boxes that run past their parent.
std::optional<QSize> gridSize(Bytes file, std::uint32_t item);

}  // namespace imaging::codecs
