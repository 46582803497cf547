#include "experiment/BoardGeometry.h"

#include "platform/BoardSurface.h"
#include "platform/QBColor.h"

#include <QLocale>

namespace experiment {

void DrawBoardGrid(platform::BoardSurface& canvas)
{
    const platform::Rgb color = platform::QBColor(GridColor);
    for (int k = 0; k < GridLineCount; ++k) {
        const auto y = static_cast<float>(GridOrigin + GridSpacing * k);
        canvas.Line(0.0f, y, static_cast<float>(BoardExtent), y, color);
    }
    for (int k = 0; k < GridLineCount; ++k) {
        const auto x = static_cast<float>(GridOrigin + GridSpacing * k);
        canvas.Line(x, 0.0f, x, static_cast<float>(BoardExtent), color);
    }
}

void DrawCoin(platform::BoardSurface& canvas, std::int16_t x, std::int16_t y, bool covered)
{
    // The palette colours are looked up once; a run draws tens of thousands.
    static const platform::Rgb coverColor = platform::QBColor(CoverColor);
    static const platform::Rgb missColor = platform::QBColor(MissColor);
    canvas.Circle(static_cast<float>(x), static_cast<float>(y), static_cast<float>(CoinRadius),
                  covered ? coverColor : missColor, CoinAspect);
}

double PiEstimate(std::int32_t hitCount, std::int32_t coinCount)
{
    return 4.0 * static_cast<double>(hitCount) / static_cast<double>(coinCount);
}

QString PiEstimateText(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace experiment
