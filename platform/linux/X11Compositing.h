#pragma once

class QScreen;

// Whether a compositing manager runs on the X11 display, as the EWMH convention says:
// it owns the selection _NET_WM_CM_S<screen number>. Without one, translucent
// windows show black where they are transparent. Uses the GUI's own X connection;
// false without an X11 GUI. Main thread only.
namespace X11Compositing {

[[nodiscard]] bool isActive(const QScreen* screen = nullptr);

} // namespace X11Compositing
