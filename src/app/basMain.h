#pragma once

namespace app {

class frmTray;

// Start-up with the main window already created: a stored show list sends the program to the
// notification area with the rotation armed; an empty or unreadable store shows the window.
void Main(frmTray& tray);

}  // namespace app
