#include "BoardGeometry.h"

#include "BoardSurface.h"
#include "QBColor.h"
#include "Random.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace experiment {

void DrawBoardGrid(platform::BoardSurface& canvas)
{
    const QColor color = platform::QBColor(GridColor);
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
    static const QColor coverColor = platform::QBColor(CoverColor);
    static const QColor missColor = platform::QBColor(MissColor);
    canvas.Circle(static_cast<float>(x), static_cast<float>(y), static_cast<float>(CoinRadius),
                  covered ? coverColor : missColor, CoinAspect);
}

double PiEstimate(std::int32_t hitCount, std::int32_t coinCount)
{
    if (coinCount <= 0)
        return std::numeric_limits<double>::quiet_NaN();
    return 4.0 * static_cast<double>(hitCount) / static_cast<double>(coinCount);
}

std::size_t FormatPiEstimate(double value, std::span<char16_t, 64> out)
{
    // Far beyond any estimate; such magnitudes would not fit the buffer.
    if (!std::isfinite(value) || std::abs(value) >= 1e20)
        return 0;
    if (std::abs(value) < 1e-20) {
        out[0] = u'0';
        return 1;
    }

    // 15 significant digits in scientific form, d.dddddddddddddde±x.
    char scientific[32];
    const auto result =
        std::to_chars(std::begin(scientific), std::end(scientific), value,
                      std::chars_format::scientific, std::numeric_limits<double>::digits10 - 1);
    const char* p = scientific;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    char digits[std::numeric_limits<double>::digits10 + 1];
    int digitCount = 0;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p != '.')
            digits[digitCount++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), result.ptr, exponent);
    while (digitCount > 1 && digits[digitCount - 1] == '0')
        --digitCount;

    // The decimal point stands after `pointAt` digits of `digits`.
    const int pointAt = exponent + 1;
    std::size_t n = 0;
    const auto put = [&](char c) {
        if (n < out.size())
            out[n++] = static_cast<char16_t>(c);
    };
    if (negative)
        put('-');
    if (pointAt <= 0) {
        put('0');
        put('.');
        for (int i = 0; i < -pointAt; ++i)
            put('0');
        for (int i = 0; i < digitCount; ++i)
            put(digits[i]);
    } else {
        for (int i = 0; i < std::max(pointAt, digitCount); ++i) {
            if (i == pointAt)
                put('.');
            put(i < digitCount ? digits[i] : '0');
        }
    }
    return n;
}

QString PiEstimateText(double value)
{
    std::array<char16_t, 64> buffer{};
    const std::size_t length = FormatPiEstimate(value, buffer);
    return QString(reinterpret_cast<const QChar*>(buffer.data()), static_cast<qsizetype>(length));
}

} // namespace experiment
