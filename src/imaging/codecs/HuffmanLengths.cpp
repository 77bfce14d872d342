#include "imaging/codecs/HuffmanLengths.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace imaging::codecs {
namespace {

// Depths of the leaves of an optimal code, built by merging the two lightest trees.
std::vector<std::uint8_t> optimalLengths(const std::vector<std::uint32_t>& counts) {
    struct Node {
        std::uint64_t weight;
        int left, right;  // children, or -1 for a leaf
    };
    std::vector<Node> nodes;
    std::vector<int> leafOf(counts.size(), -1);
    using Entry = std::pair<std::uint64_t, int>;  // weight, node; ties go to the older node
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> lightest;
    for (std::size_t symbol = 0; symbol < counts.size(); ++symbol) {
        if (counts[symbol] == 0) continue;
        leafOf[symbol] = int(nodes.size());
        nodes.push_back({counts[symbol], -1, -1});
        lightest.push({counts[symbol], leafOf[symbol]});
    }
    std::vector<std::uint8_t> lengths(counts.size(), 0);
    if (nodes.size() == 1) {
        lengths[std::size_t(
            std::find_if(counts.begin(), counts.end(), [](std::uint32_t c) { return c != 0; }) -
            counts.begin())] = 1;
        return lengths;
    }
    while (lightest.size() > 1) {
        const Entry a = lightest.top();
        lightest.pop();
        const Entry b = lightest.top();
        lightest.pop();
        nodes.push_back({a.first + b.first, a.second, b.second});
        lightest.push({a.first + b.first, int(nodes.size()) - 1});
    }
    // Depths from the root down; parents always come after their children.
    std::vector<int> depth(nodes.size(), 0);
    for (int node = int(nodes.size()) - 1; node >= 0; --node) {
        const Node& n = nodes[std::size_t(node)];
        if (n.left < 0) continue;
        depth[std::size_t(n.left)] = depth[std::size_t(node)] + 1;
        depth[std::size_t(n.right)] = depth[std::size_t(node)] + 1;
    }
    for (std::size_t symbol = 0; symbol < counts.size(); ++symbol)
        if (leafOf[symbol] >= 0)
            lengths[symbol] = std::uint8_t(std::min(depth[std::size_t(leafOf[symbol])], 255));
    return lengths;
}

}  // namespace

std::vector<std::uint8_t> huffmanLengths(const std::vector<std::uint32_t>& counts, int maxLength) {
    std::vector<std::uint32_t> flattened = counts;
    for (;;) {
        std::vector<std::uint8_t> lengths = optimalLengths(flattened);
        if (*std::max_element(lengths.begin(), lengths.end()) <= maxLength) return lengths;
        for (std::uint32_t& count : flattened)
            if (count != 0) count = (count + 1) / 2;
    }
}

std::vector<std::uint16_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
    constexpr int kMaxBits = 15;
    int perLength[kMaxBits + 1] = {};
    for (const std::uint8_t length : lengths) ++perLength[length];
    perLength[0] = 0;
    int next[kMaxBits + 2] = {};
    for (int bits = 1, code = 0; bits <= kMaxBits; ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint16_t> codes(lengths.size(), 0);
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0) continue;
        const int code = next[length]++;
        int reversed = 0;
        for (int bit = 0; bit < length; ++bit)
            reversed |= ((code >> bit) & 1) << (length - 1 - bit);
        codes[symbol] = std::uint16_t(reversed);
    }
    return codes;
}

}  // namespace imaging::codecs
