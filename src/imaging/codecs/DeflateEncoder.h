#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <vector>

namespace imaging::codecs {

// A raw deflate encoder built for speed on image rows: greedy matching with one candidate
// per 4-byte hash, and a dynamic Huffman block for every 64 KiB of input. It compresses
// PNG rows about twice as fast as zlib's fastest level, to about the same size.
//
// The output of several encoders can be joined: finish(false) ends with an empty stored
// block, which byte-aligns the stream and tells the decoder more follows, and no encoder
// refers back into another's bytes. Only the encoder that goes last calls finish(true).
class DeflateEncoder {
public:
    DeflateEncoder();
    ~DeflateEncoder();
    DeflateEncoder(const DeflateEncoder&) = delete;
    DeflateEncoder& operator=(const DeflateEncoder&) = delete;

    void add(const std::uint8_t* data, std::size_t size);
    void finish(bool lastInStream);

    // The compressed bytes so far; complete after finish().
    const QByteArray& output() const { return out_; }

private:
    struct Symbol {
        std::uint16_t lengthOrLiteral;
        std::uint16_t distance;  // 0 for a literal
    };
    class BitWriter;

    void compressPending();
    void writeBlock(bool last);
    void slideWindow();

    std::vector<std::uint8_t> window_;
    std::size_t filled_ = 0;                     // bytes in the window
    std::size_t processed_ = 0;                  // of them, turned into symbols
    std::uint32_t base_ = 0;                     // stream position of window_[0], modulo 2^32
    std::unique_ptr<std::uint32_t[]> lastSeen_;  // stream position by hash of 4 bytes
    std::vector<Symbol> symbols_;
    std::unique_ptr<BitWriter> bits_;
    std::vector<std::uint32_t> literalCounts_;  // of the pending symbols, by code
    std::vector<std::uint32_t> distanceCounts_;
    QByteArray out_;
};

}  // namespace imaging::codecs
