#include "imaging/codecs/DeflateEncoder.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/codecs/HuffmanLengths.h"

namespace imaging::codecs {
namespace {

constexpr std::size_t kHistory = 32768;  // the farthest a deflate match may reach back
constexpr std::size_t kSegment = 65536;  // input per Huffman block
constexpr int kMinMatch = 4;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 15;
constexpr std::uint32_t kNeverSeen = 0;  // positions are stored plus one

constexpr int kEndOfBlock = 256;
constexpr int kLiteralLengthCodes = 286;
constexpr int kDistanceCodes = 30;
constexpr int kCodeLengthCodes = 19;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block header gives the code length code's own lengths.
constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

// Code of every match length (index: length) and distance (index: distance - 1).
struct CodeTables {
    std::array<std::uint8_t, kMaxMatch + 1> lengthCode{};
    std::array<std::uint8_t, kHistory> distanceCode{};
    CodeTables() {
        for (int code = 0; code < 29; ++code) {
            const int end = code + 1 < 29 ? kLengthBase[std::size_t(code) + 1] : kMaxMatch + 1;
            for (int length = kLengthBase[std::size_t(code)]; length < end; ++length)
                lengthCode[std::size_t(length)] = std::uint8_t(code);
        }
        for (int code = 0; code < 30; ++code) {
            const int end =
                code + 1 < 30 ? kDistanceBase[std::size_t(code) + 1] : int(kHistory) + 1;
            for (int distance = kDistanceBase[std::size_t(code)]; distance < end; ++distance)
                distanceCode[std::size_t(distance) - 1] = std::uint8_t(code);
        }
    }
};
const CodeTables kCodes;

std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

std::uint32_t hashOf(std::uint32_t fourBytes) {
    return (fourBytes * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

// Bits go into bytes from the least significant end, as deflate defines. The hot loops work
// on a copy on their own stack, whose state the compiler keeps in registers, and hand it back.
class DeflateEncoder::BitWriter {
public:
    explicit BitWriter(QByteArray& out) : out_(out) {}
    BitWriter(const BitWriter&) = default;

    // Room for `bytes` more bytes; called before each block so put() never checks.
    void reserve(std::size_t bytes) {
        const qsizetype needed = qsizetype(used_ + bytes + 16);
        if (out_.size() < needed) out_.resize(std::max(needed, out_.size() * 2));
        base_ = out_.data();
    }
    void put(std::uint32_t value, int count) {
        pending_ |= std::uint64_t(value) << pendingBits_;
        pendingBits_ += count;
        if (pendingBits_ >= 32) {
            qToLittleEndian(std::uint32_t(pending_), base_ + used_);
            used_ += 4;
            pending_ >>= 32;
            pendingBits_ -= 32;
        }
    }
    // Pads with zero bits to a whole byte and writes out everything pending.
    void alignToByte() {
        while (pendingBits_ > 0) {
            base_[used_++] = char(pending_ & 0xFF);
            pending_ >>= 8;
            pendingBits_ = std::max(0, pendingBits_ - 8);
        }
        pending_ = 0;
    }
    void putByte(std::uint8_t byte) { base_[used_++] = char(byte); }
    void finish() { out_.resize(qsizetype(used_)); }
    void takeOver(const BitWriter& copy) {
        base_ = copy.base_;
        used_ = copy.used_;
        pending_ = copy.pending_;
        pendingBits_ = copy.pendingBits_;
    }

private:
    QByteArray& out_;
    char* base_ = nullptr;  // out_'s bytes, taken once a block rather than once a word
    std::size_t used_ = 0;
    std::uint64_t pending_ = 0;
    int pendingBits_ = 0;
};

DeflateEncoder::DeflateEncoder()
    : window_(kHistory + kSegment),
      lastSeen_(new std::uint32_t[std::size_t(1) << kHashBits]()),
      bits_(std::make_unique<BitWriter>(out_)),
      literalCounts_(kLiteralLengthCodes, 0),
      distanceCounts_(kDistanceCodes, 0) {
    symbols_.reserve(kSegment + 1);
}

DeflateEncoder::~DeflateEncoder() = default;

void DeflateEncoder::add(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t room = window_.size() - filled_;
        const std::size_t taken = std::min(room, size);
        std::memcpy(window_.data() + filled_, data, taken);
        filled_ += taken;
        data += taken;
        size -= taken;
        if (filled_ == window_.size()) {
            compressPending();
            writeBlock(false);
            slideWindow();
        }
    }
}

void DeflateEncoder::finish(bool lastInStream) {
    compressPending();
    writeBlock(lastInStream);
    if (!lastInStream) {
        // An empty stored block: three zero header bits, then to the byte, then LEN 0 and
        // NLEN 0xFFFF. The decoder goes on reading whatever follows.
        bits_->reserve(8);
        bits_->put(0, 3);
        bits_->alignToByte();
        for (const std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) bits_->putByte(byte);
    }
    bits_->reserve(8);
    bits_->alignToByte();
    bits_->finish();
}

// Greedy matching: each position looks up the last one whose next four bytes hashed the same;
// a match found there is taken as long as it goes. Matches end where the window's data ends.
void DeflateEncoder::compressPending() {
    const std::uint8_t* data = window_.data();
    std::size_t at = processed_;
    const std::size_t end = filled_;
    // At most one symbol a byte. Plain pointers: through the members, every symbol written
    // would make the compiler load the tables' addresses anew.
    const std::size_t made = symbols_.size();
    symbols_.resize(made + (end - at));
    Symbol* out = symbols_.data() + made;
    std::uint32_t* const lastSeen = lastSeen_.get();
    std::uint32_t* const literalCounts = literalCounts_.data();
    std::uint32_t* const distanceCounts = distanceCounts_.data();
    while (at + kMinMatch <= end) {
        const std::uint32_t here = load32(data + at);
        std::uint32_t& seen = lastSeen[hashOf(here)];
        const std::uint32_t candidate = seen;  // stream position plus one, or never seen
        const std::uint32_t position = base_ + std::uint32_t(at);
        seen = position + 1;
        const std::uint32_t distance = position + 1 - candidate;
        if (candidate != kNeverSeen && distance - 1 < std::min<std::size_t>(kHistory, at) &&
            load32(data + at - distance) == here) {
            const std::uint8_t* from = data + at - distance;
            const std::size_t limit = std::min<std::size_t>(kMaxMatch, end - at);
            std::size_t length = kMinMatch;
            while (length < limit && from[length] == data[at + length]) ++length;
            *out++ = {std::uint16_t(length), std::uint16_t(distance)};
            ++literalCounts[257 + std::size_t(kCodes.lengthCode[length])];
            ++distanceCounts[kCodes.distanceCode[distance - 1]];
            at += length;
        } else {
            *out++ = {data[at], 0};
            ++literalCounts[data[at]];
            ++at;
        }
    }
    for (; at < end; ++at) {
        *out++ = {data[at], 0};
        ++literalCounts[data[at]];
    }
    symbols_.resize(std::size_t(out - symbols_.data()));
    processed_ = end;
}

void DeflateEncoder::slideWindow() {
    const std::size_t keep = std::min(kHistory, filled_);
    std::memmove(window_.data(), window_.data() + filled_ - keep, keep);
    base_ += std::uint32_t(filled_ - keep);
    filled_ = processed_ = keep;
}

namespace {

// The code lengths of both alphabets, run-length coded as a dynamic block header wants them:
// each entry is a code length symbol (0-18) and the value of its extra bits.
struct LengthRun {
    std::uint8_t symbol;
    std::uint8_t extra;
};

std::vector<LengthRun> runLengthCoded(const std::vector<std::uint8_t>& lengths) {
    std::vector<LengthRun> runs;
    for (std::size_t i = 0; i < lengths.size();) {
        const std::uint8_t value = lengths[i];
        std::size_t count = 1;
        while (i + count < lengths.size() && lengths[i + count] == value) ++count;
        i += count;
        if (value == 0) {
            for (; count >= 11; count -= std::min<std::size_t>(count, 138))
                runs.push_back({18, std::uint8_t(std::min<std::size_t>(count, 138) - 11)});
            if (count >= 3) {
                runs.push_back({17, std::uint8_t(count - 3)});
                count = 0;
            }
        } else {
            runs.push_back({value, 0});
            --count;
            for (; count >= 3; count -= std::min<std::size_t>(count, 6))
                runs.push_back({16, std::uint8_t(std::min<std::size_t>(count, 6) - 3)});
        }
        for (; count > 0; --count) runs.push_back({value, 0});
    }
    return runs;
}

// At least two codes in use: a decoder may refuse a code of one symbol.
void useTwoAtLeast(std::vector<std::uint32_t>& counts) {
    int used = 0;
    for (const std::uint32_t count : counts) used += count != 0;
    for (std::size_t i = 0; used < 2; ++i)
        if (counts[i] == 0) {
            counts[i] = 1;
            ++used;
        }
}

}  // namespace

void DeflateEncoder::writeBlock(bool last) {
    // Counted as the symbols were made; the next block counts afresh.
    std::vector<std::uint32_t> literalCounts(kLiteralLengthCodes, 0),
        distanceCounts(kDistanceCodes, 0);
    literalCounts.swap(literalCounts_);
    distanceCounts.swap(distanceCounts_);
    literalCounts[kEndOfBlock] = 1;
    useTwoAtLeast(literalCounts);
    useTwoAtLeast(distanceCounts);
    const std::vector<std::uint8_t> literalLengths = huffmanLengths(literalCounts, 15);
    const std::vector<std::uint8_t> distanceLengths = huffmanLengths(distanceCounts, 15);
    const std::vector<std::uint16_t> literalCodes = canonicalCodes(literalLengths);
    const std::vector<std::uint16_t> distanceCodes = canonicalCodes(distanceLengths);

    int literalsSent = kLiteralLengthCodes;
    while (literalsSent > 257 && literalLengths[std::size_t(literalsSent) - 1] == 0) --literalsSent;
    int distancesSent = kDistanceCodes;
    while (distancesSent > 1 && distanceLengths[std::size_t(distancesSent) - 1] == 0)
        --distancesSent;
    std::vector<std::uint8_t> allLengths(literalLengths.begin(),
                                         literalLengths.begin() + literalsSent);
    allLengths.insert(allLengths.end(), distanceLengths.begin(),
                      distanceLengths.begin() + distancesSent);
    const std::vector<LengthRun> runs = runLengthCoded(allLengths);
    std::vector<std::uint32_t> runCounts(kCodeLengthCodes, 0);
    for (const LengthRun& run : runs) ++runCounts[run.symbol];
    useTwoAtLeast(runCounts);
    const std::vector<std::uint8_t> runLengths = huffmanLengths(runCounts, 7);
    const std::vector<std::uint16_t> runCodes = canonicalCodes(runLengths);
    int runLengthsSent = kCodeLengthCodes;
    while (runLengthsSent > 4 && runLengths[kCodeLengthOrder[std::size_t(runLengthsSent) - 1]] == 0)
        --runLengthsSent;

    // The longest a symbol can take: a 15-bit length code with 5 extra bits, a 15-bit
    // distance code with 13.
    bits_->reserve(symbols_.size() * 6 + runs.size() * 2 + 128);
    BitWriter bits = *bits_;
    bits.put(last ? 1 : 0, 1);
    bits.put(2, 2);  // dynamic Huffman codes
    bits.put(std::uint32_t(literalsSent - 257), 5);
    bits.put(std::uint32_t(distancesSent - 1), 5);
    bits.put(std::uint32_t(runLengthsSent - 4), 4);
    for (int i = 0; i < runLengthsSent; ++i)
        bits.put(runLengths[kCodeLengthOrder[std::size_t(i)]], 3);
    for (const LengthRun& run : runs) {
        bits.put(runCodes[run.symbol], runLengths[run.symbol]);
        if (run.symbol == 16) bits.put(run.extra, 2);
        if (run.symbol == 17) bits.put(run.extra, 3);
        if (run.symbol == 18) bits.put(run.extra, 7);
    }
    for (const Symbol& s : symbols_) {
        if (s.distance == 0) {
            bits.put(literalCodes[s.lengthOrLiteral], literalLengths[s.lengthOrLiteral]);
            continue;
        }
        const std::size_t lengthCode = kCodes.lengthCode[s.lengthOrLiteral];
        bits.put(literalCodes[257 + lengthCode], literalLengths[257 + lengthCode]);
        bits.put(std::uint32_t(s.lengthOrLiteral - kLengthBase[lengthCode]),
                 kLengthExtra[lengthCode]);
        const std::size_t distanceCode = kCodes.distanceCode[std::size_t(s.distance) - 1];
        bits.put(distanceCodes[distanceCode], distanceLengths[distanceCode]);
        bits.put(std::uint32_t(s.distance - kDistanceBase[distanceCode]),
                 kDistanceExtra[distanceCode]);
    }
    bits.put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
    bits_->takeOver(bits);
    symbols_.clear();
}

}  // namespace imaging::codecs
