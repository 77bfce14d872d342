#include "imaging/codecs/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>

#include "imaging/codecs/AvifPixels.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"
#include "imaging/codecs/DataBounds.h"
#include "imaging/codecs/FormatSniffer.h"
#include "imaging/codecs/HeifGrid.h"

namespace imaging::codecs {
namespace {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// libheif's failures in our terms: what it cannot do is unsupported, a memory shortage is
// one, the rest is a damaged file.
void require(const heif_error& error) {
    if (error.code == heif_error_Ok) return;
    const QString detail = QString::fromUtf8(error.message);
    // libheif's own bound on a side (32768 pixels), met before our limits are asked.
    if (error.subcode == heif_suberror_Security_limit_exceeded) throw Error(kImageTooLarge, detail);
    switch (error.code) {
        case heif_error_Unsupported_filetype:
        case heif_error_Unsupported_feature:
            failUnsupported(detail);
        case heif_error_Memory_allocation_error:
            throw Error(kOutOfMemory, detail);
        default:
            failCorrupt(detail);
    }
}

// The file's primary image, read from the bytes in place (they outlive the context).
struct Primary {
    std::unique_ptr<heif_context, ContextFree> context{heif_context_alloc()};
    std::unique_ptr<heif_image_handle, HandleRelease> handle;

    explicit Primary(Bytes data) {
        if (!context) throw Error(kOutOfMemory, QStringLiteral("no memory for a HEIF reader"));
        require(heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(),
                                                           nullptr));
        heif_image_handle* primary = nullptr;
        require(heif_context_get_primary_image_handle(context.get(), &primary));
        handle.reset(primary);
    }
};

// The ICC profile of the image's colour box, or of the primary image for a thumbnail that
// carries none of its own; empty where there is none (a colour box of coded primaries alone
// describes how the samples were coded, which libheif has already undone).
QByteArray iccProfileOf(const heif_image_handle* handle, const heif_image_handle* primary) {
    if (heif_image_handle_get_raw_color_profile_size(handle) == 0) handle = primary;
    QByteArray profile(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), 0);
    if (profile.isEmpty() ||
        heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
        return {};
    return profile;
}

// The image libheif decodes and turns as the container says, unless asked for it as stored.
QImage decodeWithLibheif(const heif_image_handle* handle, const DecodeOptions& options) {
    const std::unique_ptr<heif_decoding_options, OptionsFree> decoding(
        heif_decoding_options_alloc());
    decoding->ignore_transformations = options.autoOrient ? 0 : 1;
    decoding->convert_hdr_to_8bit = 1;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image* decoded = nullptr;
    require(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              decoding.get()));
    const std::unique_ptr<heif_image, ImageRelease> pixels(decoded);

    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!plane || width < 1 || height < 1)
        failCorrupt(QStringLiteral("the HEIF image decodes to no pixels"));
    QImage image = newImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int step = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = plane + std::ptrdiff_t(y) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += step)
            out[x] = qRgba(in[0], in[1], in[2], alpha ? in[3] : 255);
    }
    return image;
}

bool everyPixelOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) == 255; }))
            return false;
    }
    return true;
}

}  // namespace

FileFacts inspectHeif(Bytes data) {
    const Primary primary(data);
    const heif_image_handle* handle = primary.handle.get();
    const int bits = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle));
    const int channels = heif_image_handle_has_alpha_channel(handle) ? 4 : 3;
    return {kFormatNone, heif_image_handle_get_width(handle), heif_image_handle_get_height(handle),
            1, bits * channels};
}

QImage decodeHeif(Bytes data, const DecodeOptions& options, QSize previewBox) {
    const Primary primary(data);
    const heif_image_handle* handle = primary.handle.get();
    heif_item_id item = 0;
    require(heif_context_get_primary_image_ID(primary.context.get(), &item));
    std::unique_ptr<heif_image_handle, HandleRelease> thumbnail;
    if (previewBox.isValid() && heif_image_handle_get_number_of_thumbnails(handle) > 0) {
        const QSize shown =
            QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle))
                .scaled(previewBox, Qt::KeepAspectRatio);
        heif_item_id id = 0;
        heif_image_handle* candidate = nullptr;
        if (heif_image_handle_get_list_of_thumbnail_IDs(handle, &id, 1) == 1 &&
            heif_image_handle_get_thumbnail(handle, id, &candidate).code == heif_error_Ok) {
            thumbnail.reset(candidate);
            if (heif_image_handle_get_width(candidate) >= shown.width() &&
                heif_image_handle_get_height(candidate) >= shown.height()) {
                handle = candidate;
                item = id;
            }
        }
    }
    // Decoded at the stored size, or a grid's own, then turned and cropped: all must pass.
    const std::optional<QSize> grid = gridSize(data, item);
    const int storedWidth = grid ? grid->width() : heif_image_handle_get_ispe_width(handle);
    const int storedHeight = grid ? grid->height() : heif_image_handle_get_ispe_height(handle);
    checkLimits(storedWidth, storedHeight, options.limits);
    checkLimits(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle),
                options.limits);
    checkLimits(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle),
                options.limits);
    requireDataForCodedPhoto(data.size(), storedWidth, storedHeight);

    // AVIF's primary image comes three times as fast from libavif; a thumbnail, rare in AVIF
    // files, stays with libheif.
    QImage image = handle == primary.handle.get() && sniffFormat(data) == FileKind::Avif
                       ? decodeAvifPixels(data, options, QSize(storedWidth, storedHeight))
                       : decodeWithLibheif(handle, options);
    // As a PNG's: an alpha channel that leaves every pixel opaque makes an opaque image.
    if (image.format() == QImage::Format_ARGB32 && everyPixelOpaque(image))
        image.reinterpretAsFormat(QImage::Format_RGB32);
    convertToSrgb(image, iccProfileOf(handle, primary.handle.get()));
    return image;
}

}  // namespace imaging::codecs
