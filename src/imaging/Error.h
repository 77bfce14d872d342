#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace imaging {

// Error numbers of the imaging engine. They sit in the COM interface range so they never
// collide with the program's own small error codes; docs/imaging.md lists them.
enum ErrorNumber : std::int32_t {
    kNoImage = -2147220838,           // 0x8004029A: the operation needs an image
    kInvalidSize = -2147220832,       // 0x800402A0: width or height zero, negative or too large
    kInvalidRectangle = -2147220831,  // 0x800402A1: the rectangle misses the image
    kInvalidOpacity = -2147220830,    // 0x800402A2: opacity outside 0..100
    kUnknownFormat = -2147220829,     // 0x800402A3: format code not known or not writable
    kInvalidColor = -2147220828,      // 0x800402A4: colour outside 0..0xFFFFFF
    kInvalidArgument = -2147220827,   // 0x800402A5: any other argument out of its range
    kFileNotFound = -2147220826,      // 0x800402A6
    kUnsupportedFile = -2147220825,   // 0x800402A7: not an image this engine can read
    kCorruptFile = -2147220824,       // 0x800402A8: truncated or damaged image data
    kNoSuchImage = -2147220823,       // 0x800402A9: image number outside 1..count
    kImageTooLarge = -2147220822,     // 0x800402AA: over the pixel or byte limit
    kWriteFailed = -2147220821,       // 0x800402AB: the file could not be written
    kOutOfMemory = -2147220820,       // 0x800402AC
    kNothingToUndo = -2147220819,     // 0x800402AD
    kNothingToRedo = -2147220818,     // 0x800402AE
    kClipboardEmpty = -2147220817,    // 0x800402AF: the clipboard holds no image
};

// A failed imaging call: a number from ErrorNumber, a sentence for the user and the name of
// the part of the engine that failed.
struct Error : std::exception {
    Error(std::int32_t number, QString description, QString source = QStringLiteral("ImgX"));

    std::int32_t number;
    QString description;
    QString source;

    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string what_;
};

}  // namespace imaging
