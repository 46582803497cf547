#pragma once

#include "platform/BoardSurface.h"

namespace platform {

// The sixteen colours of the classic QBColor palette, by index 0..15.
// An index outside that range gives 0, fully transparent: copied onto the
// board, it leaves a mark nobody chose, so callers pass only valid ones.
Rgb QBColor(int index);

} // namespace platform
