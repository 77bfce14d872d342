#pragma once

#include "support/DesktopSession.h"

namespace testing_support {

// Starts the real Plasma desktop (plasmashell, with the activity manager it needs) on the
// session's display, without animations, so a new wallpaper shows at once; waits until it has
// a desktop on each of `screens` screens and removes its panels, so each screen shows only its
// wallpaper. `kdeglobals` is added to the user's settings first. Empty when it runs, else why
// not.
QString startPlasma(DesktopSession& session, int screens, const QString& kdeglobals = {});

// Runs a desktop script in Plasma: what it printed, or "error: " and Plasma's answer.
QString plasmaScript(const QString& script);

}  // namespace testing_support
