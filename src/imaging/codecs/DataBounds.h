#pragma once

#include <cstdint>

// How much image a file's compressed bytes can stand for at most, under the densest coding
// its format allows. A header that promises more pixels than its data could describe is
// refused before the pixels are allocated, so a file of a few hundred bytes cannot make us
// allocate, and fill, a gigabyte. docs/imaging.md lists the bounds.
namespace imaging::codecs {

// Some codings let a valid file leave any part of its image unspelled at almost no cost (a
// run-length bitmap's skips and end of bitmap, arithmetic-coded JPEG), so their data bounds
// only what they spell out. Up to this many pixels (64 MiB decoded) such a file is taken at
// its word; a larger one must have the data to spell its pixels out.
inline constexpr std::int64_t kUnspelledPixels = 16 * 1024 * 1024;

// Refuses, as damaged, an image whose `dataBytes` of compressed data cannot hold its size.
[[noreturn]] void failDataTooShort(std::uint64_t dataBytes, std::int64_t width,
                                   std::int64_t height);

// The photo codings of today (HEVC and AV1 in HEIF, JPEG XL) set no floor on the data of an
// image: a flat picture, or a frame covering a corner of the canvas, costs a few bits. So the
// bound is what their encoders write: the densest files they make are one-colour pictures
// (cjxl lossless in groups of 1024, about 420 000 pixels a byte; avifenc, 8192 x 8192 in 1203
// bytes, 56 000). Beyond kUnspelledPixels a file must hold a byte for every 1024 x 1024
// pixels, so 300 bytes cannot declare a gigabyte of pixels.
void requireDataForCodedPhoto(std::uint64_t dataBytes, std::int64_t width, std::int64_t height);

// General-purpose compressions, by the most bytes one byte of their output can unpack to.
enum class Packing {
    None,      // 1: the bytes are the samples
    PackBits,  // 64: a run of 128 bytes in 2
    Lzw,       // 2560: a code of 12 bits for at most 3839 bytes
    Deflate,   // 1032: a 258-byte match in 2 bits
    Zstd,      // 32768: a block of at most 128 KiB in at least 4 bytes
};

// The most bytes `packedBytes` of `packing` can unpack to (saturating, never overflowing).
std::uint64_t mostUnpackedBytes(Packing packing, std::uint64_t packedBytes);

// a * b, or the largest value when the product does not fit.
std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b);

}  // namespace imaging::codecs
