#pragma once

#include <QColor>

namespace platform {

// The sixteen colours of the classic QBColor palette, by index 0..15.
// An index outside that range gives an invalid QColor; the canvas draws
// nothing in an invalid colour rather than guessing one.
QColor QBColor(int index);

} // namespace platform
