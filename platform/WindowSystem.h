#pragma once

#include <QStringList>

class QString;

namespace platform {

// The program's arguments as the system gives them, the program's name
// first: on Windows from its own wide command line, since `argv` holds
// them in the local code page.
QStringList CommandLineArguments(int argc, char* argv[]);

// Shows a text where the user of a program that has not started its window
// sees it: what the command line asked for (help, the version), or one line
// on a problem (a bad command line, a window system that cannot start). On
// standard output, or standard error for a problem, on Linux; in a message
// box on Windows, where a program with a window has no console. Safe before
// the toolkit is up, and after it failed.
void ShowText(const QString& text, bool isProblem);

// Marks the program as running for as long as it runs, so that its
// installer and uninstaller can tell (on Windows, a named mutex; elsewhere
// nothing).
void MarkRunning();

// Why the window system cannot start, checked before it tries: on Windows
// a missing "platforms" folder, which the toolkit would report in a box of
// its own, in English. Empty when nothing is missing.
QString WindowSystemMissing();

// The line for a window system that failed to start: which display could
// not be reached, or which folder to keep.
QString WindowSystemFailure();

// What the user can do when no font shows the window's Japanese texts.
QString JapaneseFontAdvice();

// Whether the window system gives the activation back to a window when a
// dialog of its that held the focus closes. Windows and Wayland always do;
// X11 does when a window manager runs (which it announces on the root
// window); a headless platform never does.
bool ActivationIsHandedBack();

} // namespace platform
