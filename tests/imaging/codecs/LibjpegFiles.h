#pragma once

#include <jpeglib.h>

#include <QByteArray>
#include <cstdlib>
#include <functional>
#include <vector>

namespace codec_tests {

// A JPEG made by libjpeg itself, every row of it `row` (width x components samples);
// `configure` sets what differs from libjpeg's defaults.
inline QByteArray libjpegFile(int width, int height, int components, J_COLOR_SPACE space,
                              std::vector<JSAMPLE> row,
                              const std::function<void(jpeg_compress_struct&)>& configure) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    configure(info);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[] = {row.data()};
    while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

}  // namespace codec_tests
