#include "imaging/codecs/HeifGrid.h"

#include <climits>
#include <cstring>
#include <vector>

#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {
namespace {

// Big-endian fields, ISO media's order; every read checked against the end.
class BigEndian {
public:
    explicit BigEndian(Bytes data) : reader_(data) {}
    std::uint64_t field(unsigned bytes) {
        std::uint64_t value = 0;
        const std::uint8_t* p = reader_.take(bytes);
        for (unsigned i = 0; i < bytes; ++i) value = value << 8 | p[i];
        return value;
    }
    std::uint32_t u8() { return std::uint32_t(field(1)); }
    std::uint32_t u16() { return std::uint32_t(field(2)); }
    std::uint32_t u32() { return std::uint32_t(field(4)); }
    bool atEnd() const { return reader_.atEnd(); }
    ByteReader& reader() { return reader_; }

private:
    ByteReader reader_;
};

struct Box {
    char type[4];
    Bytes payload;
};

// The boxes laid one after another in `data`.
std::vector<Box> boxesIn(Bytes data) {
    std::vector<Box> boxes;
    BigEndian in(data);
    while (!in.atEnd()) {
        const std::size_t start = in.reader().position();
        std::uint64_t size = in.u32();
        Box box{};
        std::memcpy(box.type, in.reader().take(4), 4);
        if (size == 1) size = in.field(8);
        if (size == 0) size = data.size() - start;
        const std::size_t header = in.reader().position() - start;
        if (size < header || size > data.size() - start)
            failCorrupt(QStringLiteral("a HEIF box runs past its end"));
        box.payload = data.subspan(start + header, std::size_t(size) - header);
        in.reader().seek(start + std::size_t(size));
        boxes.push_back(box);
    }
    return boxes;
}

std::optional<Box> find(const std::vector<Box>& boxes, const char* type) {
    for (const Box& box : boxes)
        if (std::memcmp(box.type, type, 4) == 0) return box;
    return std::nullopt;
}

// The boxes after a full box's version and flags.
std::vector<Box> childrenOfFullBox(const Box& box, std::size_t skip = 4) {
    if (box.payload.size() < skip) failCorrupt(QStringLiteral("a HEIF box runs past its end"));
    return boxesIn(box.payload.subspan(skip));
}

bool isGrid(const Box& iinf, std::uint32_t item) {
    BigEndian in(iinf.payload);
    const std::uint32_t version = in.u8();
    in.field(3);
    const std::size_t countBytes = version == 0 ? 2 : 4;
    for (const Box& infe : childrenOfFullBox(iinf, 4 + countBytes)) {
        if (std::memcmp(infe.type, "infe", 4) != 0) continue;
        BigEndian entry(infe.payload);
        const std::uint32_t entryVersion = entry.u8();
        entry.field(3);
        if (entryVersion < 2) continue;
        const std::uint32_t id = entryVersion == 2 ? entry.u16() : entry.u32();
        entry.u16();  // protection
        if (id == item) return std::memcmp(entry.reader().take(4), "grid", 4) == 0;
    }
    return false;
}

// Where the item's first extent lies: in the file (construction method 0) or in idat (1).
std::optional<Bytes> itemData(const Box& iloc, std::uint32_t item, Bytes file,
                              const std::optional<Box>& idat) {
    BigEndian in(iloc.payload);
    const std::uint32_t version = in.u8();
    in.field(3);
    const std::uint32_t sizes = in.u16();
    const unsigned offsetSize = sizes >> 12, lengthSize = sizes >> 8 & 15,
                   baseSize = sizes >> 4 & 15, indexSize = version >= 1 ? sizes & 15 : 0;
    const std::uint32_t count = version < 2 ? in.u16() : in.u32();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = version < 2 ? in.u16() : in.u32();
        const std::uint32_t method = version >= 1 ? in.u16() & 15 : 0;
        in.u16();  // data reference
        const std::uint64_t base = in.field(baseSize);
        const std::uint32_t extents = in.u16();
        std::uint64_t offset = 0, length = 0;
        for (std::uint32_t e = 0; e < extents; ++e) {
            in.field(indexSize);
            const std::uint64_t extentOffset = in.field(offsetSize);
            const std::uint64_t extentLength = in.field(lengthSize);
            if (e == 0) offset = base + extentOffset, length = extentLength;
        }
        if (id != item || extents == 0) continue;
        const Bytes source = method == 1 && idat ? idat->payload : file;
        if (method > 1 || offset > source.size()) return std::nullopt;
        const std::uint64_t available = source.size() - offset;
        return source.subspan(std::size_t(offset),
                              std::size_t(length == 0 || length > available ? available : length));
    }
    return std::nullopt;
}

}  // namespace

std::optional<QSize> gridSize(Bytes file, std::uint32_t item) {
    const std::optional<Box> meta = find(boxesIn(file), "meta");
    if (!meta) return std::nullopt;
    const std::vector<Box> parts = childrenOfFullBox(*meta);
    const std::optional<Box> iinf = find(parts, "iinf"), iloc = find(parts, "iloc");
    if (!iinf || !iloc || !isGrid(*iinf, item)) return std::nullopt;
    const std::optional<Bytes> record = itemData(*iloc, item, file, find(parts, "idat"));
    if (!record) return std::nullopt;
    BigEndian grid(*record);
    grid.u8();  // version
    const bool wide = grid.u8() & 1;
    grid.u16();  // rows and columns
    const std::uint32_t width = wide ? grid.u32() : grid.u16();
    const std::uint32_t height = wide ? grid.u32() : grid.u16();
    return QSize(int(std::min<std::uint32_t>(width, INT_MAX)),
                 int(std::min<std::uint32_t>(height, INT_MAX)));
}

}  // namespace imaging::codecs
