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
