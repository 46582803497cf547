#include "QBColor.h"

#include <array>

namespace platform {

Rgb QBColor(int index)
{
    static constexpr std::array<Rgb, 16> palette = {
        0xff000000, 0xff000080, 0xff008000, 0xff008080, 0xff800000, 0xff800080,
        0xff808000, 0xffc0c0c0, 0xff808080, 0xff0000ff, 0xff00ff00, 0xff00ffff,
        0xffff0000, 0xffff00ff, 0xffffff00, 0xffffffff,
    };
    if (index < 0 || index >= static_cast<int>(palette.size()))
        return 0;
    return palette[static_cast<std::size_t>(index)];
}

} // namespace platform
