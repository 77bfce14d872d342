#pragma once

#include <QByteArray>
#include <optional>

namespace wallpaper_test {

// The image path sway 1.7 hands to swaybg for the IPC command `output * bg ARGUMENT fill`
// (swaymsg joins its arguments with blanks), written after what real sway was seen to do,
// independently of the backend. Nothing when the argument would not arrive whole as one
// path: when sway would split the command, substitute a sway variable, or wordexp() would
// run a command or fail.
std::optional<QByteArray> swayBackgroundPath(QByteArray command);

}  // namespace wallpaper_test
