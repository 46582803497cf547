#pragma once

class QString;

namespace platform {

// Says a problem of the program's start where its user sees it: one line
// on standard error on Linux; a message box on Windows, where a program
// with a window has no console. Safe before the toolkit is up, and after
// it failed.
void ShowStartupProblem(const QString& line);

// Whether the window system gives the activation back to a window when a
// dialog of its that held the focus closes. Windows and Wayland always do;
// X11 does when a window manager runs (which it announces on the root
// window); a headless platform never does.
bool ActivationIsHandedBack();

} // namespace platform
