#pragma once

namespace platform {

// Whether the window system gives the activation back to a window when a
// dialog of its that held the focus closes. Windows and Wayland always do;
// X11 does when a window manager runs (which it announces on the root
// window); a headless platform never does.
bool ActivationIsHandedBack();

} // namespace platform
