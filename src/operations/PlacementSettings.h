#pragma once

#include <QString>

namespace operations {

// What a right click on the editor's picture places: chosen in the overlay dialog (or armed
// by opening a file) and used by the editor's mouse handling.
struct PlacementSettings {
    bool OverlayArmed = false;
    bool OverlayTransparent = false;  // placed at 70 % opacity instead of 100 %
    int OverlaySize = 0;              // 1 tiny to 5 quarter; anything else: own size
    QString OverlayFile;
};

}  // namespace operations
