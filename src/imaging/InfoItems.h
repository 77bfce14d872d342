#pragma once

namespace imaging {

// The numbered settings and facts an ImgX keeps (ImgX::Info). Any other number is stored
// and returned as given.
enum InfoItem : int {
    kInfoAutoOrient = 7,       // bool: turn JPEG/TIFF images upright from their EXIF tag on load
    kInfoUndoEnabled = 8,      // int: 1 records undo steps, 0 keeps no history
    kInfoIconBackground = 9,   // int 0xRRGGBB: colour for the transparent parts of an opened icon
    kInfoJpegDctMethod = 11,   // int 0 default, 1 accurate, 2 fast, 3 floating point
    kInfoInterlaced = 12,      // bool: progressive JPEG, Adam7 PNG
    kInfoJpegQuality = 13,     // double 10..100
    kInfoFileName = 14,        // QString: file name without folder, empty for a new image
    kInfoFilePath = 15,        // QString: full path of the document's file
    kInfoFormatCode = 16,      // int: FormatCode of the document's file
    kInfoPlaceable = 21,       // bool: write WMF files with the placeable header
};

}  // namespace imaging
