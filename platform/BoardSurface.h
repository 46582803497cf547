#pragma once

#include <cstdint>

namespace platform {

// A colour as 0xAARRGGBB, the layout of the toolkit's QRgb.
using Rgb = std::uint32_t;

// The drawing operations the experiment needs from a board: wipe it, draw a
// straight line, draw an ellipse outline. Coordinates are board units with
// the origin at the top-left corner, x to the right and y downwards.
class BoardSurface
{
public:
    virtual ~BoardSurface() = default;

    // Wipes the whole drawing area to the background colour.
    virtual void Cls() = 0;

    // Draws a straight line between two absolute points.
    virtual void Line(float x1, float y1, float x2, float y2, Rgb color) = 0;

    // Draws the outline of a whole ellipse centred on (x, y). The radius is
    // the horizontal half-axis in x units; the vertical half-axis, measured
    // on the screen, is aspect times the horizontal one.
    virtual void Circle(float x, float y, float radius, Rgb color, float aspect) = 0;
};

} // namespace platform
