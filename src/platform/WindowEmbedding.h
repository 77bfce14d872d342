#pragma once

class QWidget;

namespace platform {

// Whether another program's window has taken `window` in as its child, as a notification
// area does with the icons it embeds. Where the window system cannot tell, true: the
// window's position is then as good as it gets.
bool isEmbeddedByAnotherWindow(QWidget& window);

}  // namespace platform
