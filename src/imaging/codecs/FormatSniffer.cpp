#include "imaging/codecs/FormatSniffer.h"

#include <cstring>

#include "imaging/FormatCode.h"

namespace imaging::codecs {
namespace {

bool startsWith(Bytes data, const char* magic, std::size_t length) {
    return data.size() >= length && std::memcmp(data.data(), magic, length) == 0;
}

// An ISO base media file (HEIF, AVIF) names its brands in its first box, "ftyp": the major
// brand, then the compatible ones. Which of the two the file is decides its format's name;
// both are read alike.
FileKind heifKind(Bytes data) {
    if (data.size() < 16 || std::memcmp(data.data() + 4, "ftyp", 4) != 0) return FileKind::Unknown;
    const std::size_t boxEnd = std::min<std::size_t>(readU32BigEndian(data.data()), data.size());
    bool heif = false;
    for (std::size_t at = 8; at + 4 <= boxEnd; at += at == 8 ? 8 : 4) {
        const char* brand = reinterpret_cast<const char*>(data.data() + at);
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0)
            return FileKind::Avif;
        for (const char* known : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            heif = heif || std::memcmp(brand, known, 4) == 0;
    }
    return heif ? FileKind::Heif : FileKind::Unknown;
}

bool isIcon(Bytes data) {
    if (data.size() < 22 || readU16(data.data()) != 0) return false;
    const unsigned type = readU16(data.data() + 2);
    const unsigned count = readU16(data.data() + 4);
    if ((type != 1 && type != 2) || count == 0) return false;
    const std::uint32_t firstOffset = readU32(data.data() + 18);
    return firstOffset >= 6 + 16u * count && firstOffset < data.size();
}

bool isBmp(Bytes data) {
    if (!startsWith(data, "BM", 2) || data.size() < 18) return false;
    const std::uint32_t headerSize = readU32(data.data() + 14);
    // 12: Windows 2 and OS/2 1; 16 to 64: OS/2 2 (any prefix); 40 and up: Windows 3 to 5.
    return headerSize == 12 || headerSize == 16 || headerSize == 40 || headerSize == 52 ||
           headerSize == 56 || headerSize == 64 || headerSize == 108 || headerSize == 124;
}

bool isWmf(Bytes data) {
    if (data.size() >= 4 && readU32(data.data()) == 0x9AC6CDD7u) return true;
    if (data.size() < 18) return false;
    const unsigned type = readU16(data.data());
    const unsigned headerWords = readU16(data.data() + 2);
    const unsigned version = readU16(data.data() + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

bool isEmf(Bytes data) {
    return data.size() >= 44 && readU32(data.data()) == 1 &&
           readU32(data.data() + 40) == 0x464D4520u;
}

bool isPcx(Bytes data) {
    if (data.size() < 128 || data[0] != 0x0A) return false;
    const unsigned version = data[1], encoding = data[2], bits = data[3], planes = data[65];
    return (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8) && planes >= 1 && planes <= 4;
}

bool hasTgaFooter(Bytes data) {
    static const char kSignature[] = "TRUEVISION-XFILE.";  // with its terminating zero
    return data.size() >= 18 + 26 &&
           std::memcmp(data.data() + data.size() - 18, kSignature, sizeof kSignature) == 0;
}

bool isTgaHeader(Bytes data) {
    if (data.size() < 18) return false;
    const unsigned mapType = data[1], type = data[2], mapEntryBits = data[7];
    const unsigned depth = data[16], descriptor = data[17];
    const unsigned width = readU16(data.data() + 12), height = readU16(data.data() + 14);
    if (mapType > 1 || width == 0 || height == 0 || (descriptor & 0xC0) != 0) return false;
    if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 &&
        mapEntryBits != 32)
        return false;
    switch (type & ~8u) {
        case 1:
            return mapType == 1 && (depth == 8 || depth == 16);
        case 2:
            return depth == 15 || depth == 16 || depth == 24 || depth == 32;
        case 3:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

}  // namespace

FileKind sniffFormat(Bytes data) {
    if (startsWith(data, "\xFF\xD8\xFF", 3)) return FileKind::Jpeg;
    if (startsWith(data, "\x89PNG\r\n\x1A\n", 8)) return FileKind::Png;
    if (startsWith(data, "II*\0", 4) || startsWith(data, "MM\0*", 4) ||
        startsWith(data, "II+\0", 4) || startsWith(data, "MM\0+", 4))
        return FileKind::Tiff;
    if (startsWith(data, "GIF87a", 6) || startsWith(data, "GIF89a", 6)) return FileKind::Gif;
    if (data.size() >= 12 && startsWith(data, "RIFF", 4) &&
        std::memcmp(data.data() + 8, "WEBP", 4) == 0)
        return FileKind::WebP;
    if (const FileKind kind = heifKind(data); kind != FileKind::Unknown) return kind;
    // A bare JPEG XL codestream, or one in its container.
    if (startsWith(data, "\xFF\x0A", 2) || startsWith(data, "\0\0\0\x0CJXL \r\n\x87\n", 12))
        return FileKind::JpegXl;
    if (isBmp(data)) return FileKind::Bmp;
    if (isEmf(data)) return FileKind::Emf;
    if (isWmf(data)) return FileKind::Wmf;
    if (isIcon(data)) return FileKind::Icon;
    if (isPcx(data)) return FileKind::Pcx;
    if (hasTgaFooter(data) || isTgaHeader(data)) return FileKind::Tga;
    return FileKind::Unknown;
}

int formatCodeOf(FileKind kind) {
    switch (kind) {
        case FileKind::Jpeg:
            return kFormatJpeg;
        case FileKind::Png:
            return kFormatPng;
        case FileKind::Tiff:
            return kFormatTiff;
        case FileKind::Pcx:
            return kFormatPcx;
        case FileKind::Tga:
            return kFormatTga;
        case FileKind::Bmp:
            return kFormatBmp;
        case FileKind::Wmf:
            return kFormatWmf;
        case FileKind::Emf:
            return kFormatEmf;
        case FileKind::Heif:
            return kFormatHeif;
        case FileKind::Avif:
            return kFormatAvif;
        case FileKind::JpegXl:
            return kFormatJpegXl;
        default:
            return kFormatNone;
    }
}

}  // namespace imaging::codecs
