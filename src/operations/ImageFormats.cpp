#include "operations/ImageFormats.h"

#include <array>

namespace operations {

QString formatName(int code) {
    static const std::array<const char*, 12> kNames = {
        "",
        "Joint Photographic Experts Group",
        "Portable Network Graphics",
        "Tagged Image File",
        "ZSoft PaintBrush",
        "Truevision Targa",
        "Windows Bitmap",
        "Windows Metafile",
        "Windows Enhanced Metafile",
        "High Efficiency Image File",
        "AV1 Image File",
        "JPEG XL",
    };
    if (code < 1 || code >= int(kNames.size())) return {};
    return QString::fromLatin1(kNames[std::size_t(code)]);
}

QString openFilter() {
    return QStringLiteral(
        "All Images|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.heic;*.heif;*.avif;*.jxl|"
        "Windows Bitmap  (BMP)|*.bmp|"
        "Joint Photographic Experts Group  (JPG)|*.jpg|"
        "Portable Network Graphics  (PNG)|*.png|"
        "Tagged Image File  (TIF)|*.tif|"
        "ZSoft PaintBrush  (PCX)|*.pcx|"
        "Truevision Targa  (TGA)|*.tga|"
        "Windows Meta File  (WMF)|*.wmf|"
        "High Efficiency Image File  (HEIC)|*.heic;*.heif|"
        "AV1 Image File  (AVIF)|*.avif|"
        "JPEG XL  (JXL)|*.jxl|"
        "All Files|*.*");
}

QString saveFilter() {
    return QStringLiteral(
        "Windows Bitmap  (BMP)|*.bmp;*.jpg;*.png;*.tif;*.pcx;*.tga;*.wmf;*.emf|"
        "Joint Photographic Experts Group  (JPG)|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;*.wmf;*.emf|");
}

}  // namespace operations
