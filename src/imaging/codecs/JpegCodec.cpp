#include "imaging/codecs/JpegCodec.h"

#include <jerror.h>

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <cmath>
#include <vector>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"
#include "imaging/codecs/DataBounds.h"
#include "imaging/codecs/ExifOrientation.h"

namespace imaging::codecs {
namespace {

// libjpeg reports failures by calling error_exit, which must not return. We jump back to
// the guarded call; the code between the jump and the call holds no C++ objects that would
// need destroying.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpOut(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings pass, except the end of the data: libjpeg would fill the missing rows with
// grey and call the image whole.
void onMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) jumpOut(info);
}

template <typename Work>
bool guarded(ErrorManager& manager, Work&& work) {
    if (setjmp(manager.jump)) return false;
    work();
    return true;
}

J_COLOR_SPACE bgraSpace(bool forCompression) {
    // QImage keeps a pixel as one 32-bit word 0xAARRGGBB, so its byte order follows the CPU.
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        return forCompression ? JCS_EXT_BGRX : JCS_EXT_BGRA;
    return forCompression ? JCS_EXT_XRGB : JCS_EXT_ARGB;
}

// Adobe applications store CMYK inverted (0 = full ink) and mark the file with their APP14
// segment; other writers store it plainly.
void cmykToRgb(const JSAMPLE* cmyk, QRgb* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

class Decompressor {
public:
    explicit Decompressor(Bytes data) : data_(data) {
        info_.err = jpeg_std_error(&errors_.base);
        errors_.base.error_exit = jumpOut;
        errors_.base.emit_message = onMessage;
        created_ = run([&] { jpeg_create_decompress(&info_); });
        if (!created_) fail();
    }
    ~Decompressor() {
        if (created_) jpeg_destroy_decompress(&info_);
    }

    void readHeader() {
        const bool read = run([&] {
            jpeg_mem_src(&info_, data_.data(), static_cast<unsigned long>(data_.size()));
            jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
            jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);
            jpeg_read_header(&info_, TRUE);
        });
        if (!read) fail();
    }

    const jpeg_decompress_struct& info() const { return info_; }

    // The ICC profile in the APP2 markers, joined; empty when there is none or it is broken.
    QByteArray iccProfile() {
        JOCTET* profile = nullptr;
        unsigned int length = 0;
        boolean found = FALSE;
        if (!run([&] { found = jpeg_read_icc_profile(&info_, &profile, &length); })) fail();
        if (!found || !profile) return {};
        QByteArray copy(reinterpret_cast<const char*>(profile), qsizetype(length));
        std::free(profile);
        return copy;
    }

    int orientation() const {
        for (jpeg_saved_marker_ptr m = info_.marker_list; m; m = m->next)
            if (m->marker == JPEG_APP0 + 1)
                if (int o = exifOrientation(Bytes(m->data, m->data_length)); o != 1) return o;
        return 1;
    }

    QImage decode(int denominator, bool fast, const DecodeLimits& limits) {
        const bool cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        info_.out_color_space = cmyk ? JCS_CMYK : bgraSpace(false);
        info_.scale_num = 1;
        info_.scale_denom = unsigned(denominator);
        if (fast) {
            info_.dct_method = JDCT_IFAST;
            info_.do_fancy_upsampling = FALSE;
        }
        // The library's own whole-image buffers (progressive files keep up to 8 bytes of
        // coefficients a pixel) are bounded by the byte limit as well.
        info_.mem->max_memory_to_use =
            long(std::min<std::int64_t>(limits.maxBytes, LONG_MAX / 2) * 2);
        if (!run([&] { jpeg_calc_output_dimensions(&info_); })) fail();
        QImage image =
            newImage(int(info_.output_width), int(info_.output_height), QImage::Format_RGB32);
        std::vector<JSAMPLE> cmykRow(cmyk ? std::size_t(info_.output_width) * 4 : 0);
        const bool inverted = info_.saw_Adobe_marker;
        const bool decoded = run([&] {
            jpeg_start_decompress(&info_);
            while (info_.output_scanline < info_.output_height) {
                const int y = int(info_.output_scanline);
                JSAMPROW row = cmyk ? cmykRow.data() : image.scanLine(y);
                jpeg_read_scanlines(&info_, &row, 1);
                if (cmyk)
                    cmykToRgb(cmykRow.data(), reinterpret_cast<QRgb*>(image.scanLine(y)),
                              int(info_.output_width), inverted);
            }
            jpeg_finish_decompress(&info_);
        });
        if (!decoded) fail();
        return image;
    }

private:
    template <typename Work>
    bool run(Work&& work) {
        return guarded(errors_, work);
    }
    [[noreturn]] void fail() const {
        const QString message = QString::fromLocal8Bit(errors_.message).trimmed();
        if (errors_.base.msg_code == JERR_NO_BACKING_STORE)
            throw Error(kImageTooLarge,
                        QStringLiteral("the decoder would need more memory than the limit allows"));
        if (errors_.base.msg_code == JERR_OUT_OF_MEMORY) throw Error(kOutOfMemory, message);
        // 12-bit samples and exotic colour spaces are sound files this library cannot read.
        if (errors_.base.msg_code == JERR_BAD_PRECISION ||
            errors_.base.msg_code == JERR_CONVERSION_NOTIMPL)
            failUnsupported(message);
        failCorrupt(message);
    }

    Bytes data_;
    jpeg_decompress_struct info_{};
    ErrorManager errors_{};
    bool created_ = false;
};

// Sends the compressed bytes to the device in blocks. A failed write ends the compression:
// compressing the rest of a large photo for a full disk would only keep the user waiting.
struct DeviceDestination {
    jpeg_destination_mgr base;
    QIODevice* device;
    JOCTET buffer[64 * 1024];
};

void initDestination(j_compress_ptr info) {
    auto* d = reinterpret_cast<DeviceDestination*>(info->dest);
    d->base.next_output_byte = d->buffer;
    d->base.free_in_buffer = sizeof d->buffer;
}

void writeBuffered(j_compress_ptr info, qint64 size) {
    auto* d = reinterpret_cast<DeviceDestination*>(info->dest);
    if (d->device->write(reinterpret_cast<const char*>(d->buffer), size) != size)
        ERREXIT(info, JERR_FILE_WRITE);
}

boolean emptyBuffer(j_compress_ptr info) {
    writeBuffered(info, sizeof DeviceDestination::buffer);
    initDestination(info);
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    writeBuffered(info, qint64(sizeof DeviceDestination::buffer - info->dest->free_in_buffer));
}

J_DCT_METHOD dctMethodOf(DctMethod method) {
    switch (method) {
        case DctMethod::Fast:
            return JDCT_IFAST;
        case DctMethod::FloatingPoint:
            return JDCT_FLOAT;
        default:
            return JDCT_ISLOW;
    }
}

void compress(jpeg_compress_struct& info, const QImage& image, const EncodeOptions& options) {
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 4;
    info.in_color_space = bgraSpace(true);
    jpeg_set_defaults(&info);
    if (options.bits == 8) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    const int quality = int(std::lround(std::clamp(options.jpegQuality, 10.0, 100.0)));
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = dctMethodOf(options.dctMethod);
    // Chroma at full resolution for high qualities, where halving it would be the largest
    // loss left.
    if (quality >= 90 && options.bits != 8)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (options.interlaced) jpeg_simple_progression(&info);
    info.density_unit = 1;  // dots per inch
    info.X_density = UINT16(std::lround(image.dotsPerMeterX() * 0.0254));
    info.Y_density = UINT16(std::lround(image.dotsPerMeterY() * 0.0254));
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
}

// Every 8 x 8 block of every component (after subsampling) costs the entropy-coded data some
// bits, so the bytes from the first scan to the end of the file (later scans, their tables and
// anything after the image count too, so no real file comes short) bound the image:
// - sequential Huffman: 2 bits a block at least, a code for its DC difference and one for its
//   end of block (or for its last coefficient, when that is coded); no code is under 1 bit.
// - progressive Huffman: 1 bit a block. AC scans may pass over 32767 blocks with one end-of-band
//   run, but a component's first DC scan codes a symbol for every block.
// - arithmetic coding: a likely decision may cost 2^-15 bit and the coder leaves out trailing
//   zero bytes, so a flat image needs next to no data. Such files are held to 1 bit a block only
//   above kUnspelledPixels; libjpeg-turbo writes them only when asked, and few others do.
// Checked after the header, before any pixel memory: libjpeg fills data that ends early with
// zero bits and decodes the whole image from a few bytes.
void requireScanDataForSize(const jpeg_decompress_struct& info) {
    const std::uint64_t pixels = std::uint64_t(info.image_width) * info.image_height;
    if (info.arith_code && pixels <= std::uint64_t(kUnspelledPixels)) return;
    std::uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks +=
            std::uint64_t(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    const std::uint64_t bitsPerBlock = info.progressive_mode || info.arith_code ? 1 : 2;
    const std::uint64_t dataBytes = info.src->bytes_in_buffer;
    if (blocks * bitsPerBlock > saturatingProduct(dataBytes, 8))
        failDataTooShort(dataBytes, info.image_width, info.image_height);
}

// The DCT scale denominator (8, 4, 2 or 1) whose output still covers the box-fitted size.
int coveringDenominator(QSize oriented, QSize box) {
    const QSize target = oriented.width() <= box.width() && oriented.height() <= box.height()
                             ? oriented
                             : oriented.scaled(box, Qt::KeepAspectRatio);
    for (int d = 8; d > 1; d /= 2) {
        const int w = (oriented.width() + d - 1) / d, h = (oriented.height() + d - 1) / d;
        if (w >= target.width() && h >= target.height()) return d;
    }
    return 1;
}

}  // namespace

FileFacts inspectJpeg(Bytes data) {
    Decompressor jpeg(data);
    jpeg.readHeader();
    const auto& info = jpeg.info();
    QSize size(int(info.image_width), int(info.image_height));
    if (orientationSwapsAxes(jpeg.orientation())) size.transpose();
    return FileFacts{kFormatJpeg, size.width(), size.height(), 1, info.num_components * 8};
}

QImage decodeJpeg(Bytes data, const DecodeOptions& options, QSize coverBox) {
    Decompressor jpeg(data);
    jpeg.readHeader();
    const auto& info = jpeg.info();
    const int orientation = options.autoOrient ? jpeg.orientation() : 1;
    int denominator = 1;
    if (coverBox.isValid()) {
        QSize oriented(int(info.image_width), int(info.image_height));
        if (orientationSwapsAxes(orientation)) oriented.transpose();
        denominator = coveringDenominator(oriented, coverBox);
    }
    // A preview is held to the limits at the size it is decoded at, so a photo too large to
    // open still previews.
    checkLimits((std::int64_t(info.image_width) + denominator - 1) / denominator,
                (std::int64_t(info.image_height) + denominator - 1) / denominator, options.limits);
    // A preview entropy-decodes every block as well, whatever its scale.
    requireScanDataForSize(info);
    // Read before the pixels: finishing the decode frees the saved markers.
    const QByteArray iccProfile = jpeg.iccProfile();
    QImage image = jpeg.decode(denominator, coverBox.isValid(), options.limits);
    convertToSrgb(image, iccProfile);
    return applyOrientation(image, orientation);
}

void encodeJpeg(const QImage& source, const EncodeOptions& options, QIODevice& out) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOut;
    DeviceDestination destination{};
    destination.base.init_destination = initDestination;
    destination.base.empty_output_buffer = emptyBuffer;
    destination.base.term_destination = termDestination;
    destination.device = &out;
    const bool done = guarded(errors, [&] {
        jpeg_create_compress(&info);
        info.dest = &destination.base;
        compress(info, image, options);
    });
    jpeg_destroy_compress(&info);
    if (!done) throw Error(kWriteFailed, QString::fromLocal8Bit(errors.message).trimmed());
}

}  // namespace imaging::codecs
