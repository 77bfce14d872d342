// The deflate encoder against zlib's own decoder: every kind of input comes back byte for
// byte, alone and as strips joined into one stream, and code lengths stay within deflate's
// limits however skewed the counts.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QRandomGenerator>
#include <functional>
#include <numeric>
#include <vector>

#include "imaging/codecs/DeflateEncoder.h"
#include "imaging/codecs/HuffmanLengths.h"

namespace {

using imaging::codecs::DeflateEncoder;
using Bytes = std::vector<std::uint8_t>;

// Inflates a raw deflate stream with zlib; fails the test unless the stream ends exactly
// at its last byte.
Bytes inflateRaw(const QByteArray& deflated, std::size_t expectedSize) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    Bytes out(expectedSize + 1);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.constData()));
    z.avail_in = uInt(deflated.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

// Deflates `data` in `strips` pieces, each with an encoder of its own, fed in `feed`-byte
// calls, and joins them.
QByteArray deflateInStrips(const Bytes& data, int strips, std::size_t feed) {
    QByteArray joined;
    for (int i = 0; i < strips; ++i) {
        const std::size_t from = data.size() * std::size_t(i) / std::size_t(strips);
        const std::size_t to = data.size() * std::size_t(i + 1) / std::size_t(strips);
        DeflateEncoder encoder;
        for (std::size_t at = from; at < to; at += feed)
            encoder.add(data.data() + at, std::min(feed, to - at));
        encoder.finish(i == strips - 1);
        joined += encoder.output();
    }
    return joined;
}

Bytes randomBytes(std::size_t size, quint32 seed, std::uint32_t range = 256) {
    QRandomGenerator random(seed);
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes) byte = std::uint8_t(random.bounded(range));
    return bytes;
}

struct Input {
    const char* name;
    std::function<Bytes()> make;
};

void PrintTo(const Input& input, std::ostream* os) { *os << input.name; }

const Input kInputs[] = {
    {"Empty", [] { return Bytes{}; }},
    {"OneByte", [] { return Bytes{42}; }},
    {"ThreeBytes",
     [] {
         return Bytes{1, 2, 3};
     }},
    {"Incompressible", [] { return randomBytes(300'000, 1); }},
    {"FewSymbols", [] { return randomBytes(200'000, 2, 3); }},
    {"OneValueLongRun", [] { return Bytes(1'000'000, 7); }},
    // A 40 000-byte block repeated: its copies lie 40 000 back, beyond the window, except
    // within the block itself.
    {"RepeatBeyondWindow",
     [] {
         const Bytes block = randomBytes(40'000, 3);
         Bytes bytes;
         for (int i = 0; i < 6; ++i) bytes.insert(bytes.end(), block.begin(), block.end());
         return bytes;
     }},
    // Copies exactly at the farthest distance deflate allows, and one byte farther.
    {"RepeatAtTheWindowEdge",
     [] {
         Bytes bytes = randomBytes(32'768, 4);
         const Bytes again(bytes.begin(), bytes.end());
         bytes.insert(bytes.end(), again.begin(), again.end());
         bytes.push_back(9);
         bytes.insert(bytes.end(), again.begin(), again.begin() + 1000);
         return bytes;
     }},
    // Image-like rows: a gradient with a little noise, each row led by a filter byte.
    {"FilteredRows",
     [] {
         Bytes bytes;
         QRandomGenerator random(5);
         for (int y = 0; y < 300; ++y) {
             bytes.push_back(2);
             for (int x = 0; x < 3 * 1500; ++x)
                 bytes.push_back(std::uint8_t(x / 30 + random.bounded(4)));
         }
         return bytes;
     }},
};

class DeflateRoundTrip : public testing::TestWithParam<Input> {};

TEST_P(DeflateRoundTrip, ZlibInflatesWhatWasDeflated) {
    const Bytes data = GetParam().make();
    struct Way {
        int strips;
        std::size_t feed;
    };
    for (const Way way :
         {Way{1, 1 << 30}, Way{1, 4501}, Way{2, 1 << 30}, Way{3, 977}, Way{7, 65536}}) {
        SCOPED_TRACE(testing::Message()
                     << way.strips << " strips fed " << way.feed << " bytes at a time");
        EXPECT_EQ(inflateRaw(deflateInStrips(data, way.strips, way.feed), data.size()), data);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, DeflateRoundTrip, testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeflateEncoder, CompressesRepetitionAndNotNoise) {
    const Bytes run(1'000'000, 7);
    EXPECT_LT(deflateInStrips(run, 1, run.size()).size(), 10'000);
    const Bytes noise = randomBytes(100'000, 6);
    EXPECT_LT(deflateInStrips(noise, 1, noise.size()).size(), 100'000 * 101 / 100);
}

// Kraft's sum of the lengths, in units of 2^-limit: exactly 2^limit for a complete code.
std::uint64_t kraftSum(const std::vector<std::uint8_t>& lengths, int limit) {
    std::uint64_t sum = 0;
    for (const std::uint8_t length : lengths)
        if (length != 0) sum += std::uint64_t(1) << (limit - length);
    return sum;
}

TEST(HuffmanLengths, SkewedCountsStayWithinTheLimitAndComplete) {
    // Fibonacci counts make the optimal code as deep as there are symbols.
    std::vector<std::uint32_t> fibonacci(30);
    fibonacci[0] = fibonacci[1] = 1;
    for (std::size_t i = 2; i < fibonacci.size(); ++i)
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
    for (const int limit : {7, 15}) {
        SCOPED_TRACE(limit);
        const std::vector<std::uint8_t> lengths = imaging::codecs::huffmanLengths(fibonacci, limit);
        EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), limit);
        EXPECT_EQ(std::count(lengths.begin(), lengths.end(), 0), 0);
        EXPECT_EQ(kraftSum(lengths, limit), std::uint64_t(1) << limit);
    }
}

TEST(HuffmanLengths, UnusedSymbolsGetNoCodeAndALoneSymbolOneBit) {
    EXPECT_EQ(imaging::codecs::huffmanLengths({0, 5, 0, 5, 10}, 15),
              (std::vector<std::uint8_t>{0, 2, 0, 2, 1}));
    EXPECT_EQ(imaging::codecs::huffmanLengths({0, 0, 9}, 15), (std::vector<std::uint8_t>{0, 0, 1}));
}

TEST(HuffmanLengths, CanonicalCodesAreAssignedInDeflatesOrder) {
    // The example of the deflate format's description: lengths (3, 3, 3, 3, 3, 2, 4, 4) give
    // 010, 011, 100, 101, 110, 00, 1110, 1111 - here bit-reversed for a least-significant-first
    // writer.
    const std::vector<std::uint16_t> codes =
        imaging::codecs::canonicalCodes({3, 3, 3, 3, 3, 2, 4, 4});
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0b010, 0b110, 0b001, 0b101, 0b011, 0b00, 0b0111,
                                                 0b1111}));
}

}  // namespace
