#pragma once

#include <png.h>

#include <cstdio>

// libpng reports a problem by calling back; its own handlers print the reason on stderr. Ours
// keep it for the program's message and jump back to the guarded call. The error pointer
// given to libpng points at a PngMessage.
namespace imaging::codecs {

struct PngMessage {
    char text[200] = {};
};

[[noreturn]] inline void keepPngError(png_structp png, png_const_charp message) {
    auto* kept = static_cast<PngMessage*>(png_get_error_ptr(png));
    std::snprintf(kept->text, sizeof kept->text, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (an unusual colour profile, a damaged text chunk) leave a picture worth keeping.
inline void ignorePngWarning(png_structp, png_const_charp) {}

}  // namespace imaging::codecs
