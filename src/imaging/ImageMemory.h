#pragma once

#include <QImage>

namespace imaging {

// How the memory of a new image is made ready for writing.
enum class Prefault {
    OnFirstWrite,  // the writer takes the page faults as it goes (threaded writers share them)
    Ahead,         // a helper thread faults the pages in from the top while a single writer
                   // (a decoder filling rows in order) works behind it
};

// A new, uninitialised image; a null image when the memory cannot be had. Large images are
// placed in transparent huge pages where the system offers them: a freshly decoded or
// computed photo is written once from top to bottom, and the kernel then supplies its memory
// in 2 MiB pieces instead of taking a page fault for every 4 KiB.
QImage allocateImage(int width, int height, QImage::Format format,
                     Prefault prefault = Prefault::OnFirstWrite);

}  // namespace imaging
