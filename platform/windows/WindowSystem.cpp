#include "platform/WindowSystem.h"

namespace platform {

// Windows activates the owner of an owned window that goes away while it
// is active.
bool ActivationIsHandedBack()
{
    return true;
}

} // namespace platform
