#pragma once

// Board geometry, the coin test and the estimate.
//
// The board is 480 x 480 units with five horizontal and five vertical grid
// lines 100 units apart; their 25 crossings are the lattice points. A coin
// of radius 50 whose centre lies within 50 units of a lattice point covers
// it. Since such a coin covers a point with probability pi/4, four times the
// share of covering coins estimates pi.
//
// Nothing here keeps state; drawing goes through platform::BoardSurface, so
// this code knows no widgets.

#include "platform/Random.h"

#include <QString>

#include <cstdint>

namespace platform {
class BoardSurface;
} // namespace platform

namespace experiment {

inline constexpr int BoardExtent = 480;
inline constexpr int GridOrigin = 40;
inline constexpr int GridSpacing = 100;
inline constexpr int GridLineCount = 5;
inline constexpr int CoinSpan = 400;
inline constexpr int CoinRadius = 50;
inline constexpr int CoverLimit = CoinRadius * CoinRadius;
inline constexpr float CoinAspect = 0.85f;
inline constexpr int GridColor = 0;  // black
inline constexpr int CoverColor = 9; // light blue
inline constexpr int MissColor = 12; // light red

inline constexpr int MinCoinCoordinate = GridOrigin;
inline constexpr int MaxCoinCoordinate = GridOrigin + CoinSpan - 1;

// Draws the ten black grid lines edge to edge over whatever is on the
// surface: the horizontal ones top to bottom, then the vertical ones left to
// right. Clears nothing first.
void DrawBoardGrid(platform::BoardSurface& canvas);

// One coin coordinate, 40..439, from one generator value u in [0, 1):
// floor(u * 400 + 40). Values outside [0, 1) are held to the range.
constexpr std::int16_t CoinCoordinateFromUnit(float u)
{
    const double value = static_cast<double>(u) * CoinSpan + GridOrigin;
    if (!(value >= MinCoinCoordinate)) // also catches NaN
        return MinCoinCoordinate;
    if (value >= MaxCoinCoordinate + 1)
        return MaxCoinCoordinate;
    // The value is positive here, so truncation is the floor (and needs no
    // call into the maths library on the hot path).
    return static_cast<std::int16_t>(value);
}

// Takes exactly one value from the generator and makes it a coin coordinate.
inline std::int16_t RandomCoinCoordinate(platform::RandomSource& generator)
{
    return CoinCoordinateFromUnit(generator.Rnd());
}

// True when (x, y) lies within CoinRadius of at least one lattice point,
// the boundary included. The nearest lattice point is found per axis, which
// decides the same as trying all 25 points in turn.
constexpr bool CoversLatticePoint(std::int16_t x, std::int16_t y)
{
    constexpr auto axisDistance = [](int v) {
        int index = (v - GridOrigin + GridSpacing / 2) / GridSpacing;
        index = index < 0 ? 0 : (index >= GridLineCount ? GridLineCount - 1 : index);
        return v - (GridOrigin + GridSpacing * index);
    };
    const int dx = axisDistance(x);
    const int dy = axisDistance(y);
    return dx * dx + dy * dy <= CoverLimit;
}

// Draws one coin as an outline, light blue when it covers a lattice point
// and light red otherwise.
void DrawCoin(platform::BoardSurface& canvas, std::int16_t x, std::int16_t y, bool covered);

// 4 x hits / coins in floating point.
double PiEstimate(std::int32_t hitCount, std::int32_t coinCount);

// The estimate's text: its exact decimal value, with a point, no exponent
// and no trailing zeros (3.2, 4, 0.8, 3.14168). Since the coin count is a
// power of ten or 50,000, the shortest text that reads back as the same
// double is that exact value.
QString PiEstimateText(double value);

} // namespace experiment
