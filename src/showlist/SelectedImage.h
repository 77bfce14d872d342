#pragma once

#include <QString>

namespace showlist {

// The image last selected on the main window, by New Image, the file list or the show list.
// Save Image adds it to the show list; the editor opens its dialog at FileName. Each command
// sets only the fields it knows; the others keep their earlier values.
struct SelectedImage {
    QString FileName;   // full path
    QString FileTitle;  // file name with extension, or a show-list display name
    QString TimeText;   // display time chosen when it was selected
    QString WidthText;  // pixel size as decimal text
    QString HeightText;

    void clear() { *this = SelectedImage{}; }
};

}  // namespace showlist
