#include "platform/WindowSystem.h"

#include <QString>

#include <windows.h>

namespace platform {

void ShowStartupProblem(const QString& line)
{
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(line.utf16()), L"pi-coins",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Windows activates the owner of an owned window that goes away while it
// is active.
bool ActivationIsHandedBack()
{
    return true;
}

} // namespace platform
