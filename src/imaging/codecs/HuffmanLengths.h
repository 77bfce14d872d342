#pragma once

#include <cstdint>
#include <vector>

namespace imaging::codecs {

// Code lengths of a Huffman code for the given symbol counts, none longer than `maxLength`
// bits; symbols never seen get length 0. A lone used symbol gets length 1, as deflate
// decoders require at least one code. When the optimal code is too deep, the counts are
// flattened (halved, keeping every used symbol at one or more) and the code built again:
// a little longer on average, always within the limit.
std::vector<std::uint8_t> huffmanLengths(const std::vector<std::uint32_t>& counts, int maxLength);

// Canonical codes for the lengths, as deflate assigns them, bit-reversed so that a writer
// filling bytes from the least significant bit puts the code's first bit first.
std::vector<std::uint16_t> canonicalCodes(const std::vector<std::uint8_t>& lengths);

}  // namespace imaging::codecs
