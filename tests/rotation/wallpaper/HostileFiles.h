#pragma once

#include <QRgb>
#include <QString>
#include <ostream>
#include <vector>

namespace wallpaper_test {

// A real image whose name, and the name of the folder it lies in, would break naive quoting in
// some layer between Quorvane and the desktop: shell syntax, quotes, escapes, option-like
// dashes, letters beyond ASCII, a line break.
struct HostileFile {
    const char* label;  // names the case in failure messages; the path is no good for that
    QString path;
    QRgb colour;  // the whole image is this colour, which no other hostile file has
};

inline void PrintTo(const HostileFile& file, std::ostream* out) { *out << file.label; }

// Writes every hostile image as a small one-colour PNG under root, each into a folder named
// like the image itself, and returns them in a fixed order. Consecutive images differ in
// colour, so a screen that shows the next colour has taken the next file.
std::vector<HostileFile> writeHostileFiles(const QString& root);

}  // namespace wallpaper_test
