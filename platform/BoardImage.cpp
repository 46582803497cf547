#include "platform/BoardImage.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Enough for the largest run plus its grid, so a run never grows the record.
constexpr std::size_t kReservedOperations = 50'016;
// Outlines larger than this (in device pixels) are not worth a template.
constexpr int kMaxTemplateHalfAxis = 2048;
// Distinct outline sizes kept at once; a board uses one or two.
constexpr std::size_t kMaxCachedOutlines = 16;
// Device coordinates are clamped to this before rounding to int.
constexpr double kCoordinateLimit = 1.0e7;

bool IsFinite(float value)
{
    return std::isfinite(value);
}

int ClampedRound(double value)
{
    return static_cast<int>(std::lround(std::clamp(value, -kCoordinateLimit, kCoordinateLimit)));
}

// Sets a painter up the way the board draws: an aliased, flat-capped pen
// of the given width, copying its colour over what is there.
void UseBoardPen(QPainter& painter, QRgb color, int width)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor::fromRgb(color), width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
}

} // namespace

BoardImage::BoardImage(QSize deviceSize, int penWidth)
{
    m_operations.reserve(kReservedOperations);
    m_outlines.reserve(kMaxCachedOutlines);
    Resize(deviceSize, penWidth);
}

void BoardImage::Resize(QSize deviceSize, int penWidth)
{
    if (deviceSize == m_image.size() && penWidth == m_penWidth)
        return;
    m_penWidth = penWidth;
    // The image keeps a pixel ratio of 1, so that painters on it work in
    // device pixels; the canvas maps it onto its drawing area.
    m_image = QImage(deviceSize, QImage::Format_RGB32);
    m_outlines.clear(); // their linear offsets depend on the image's stride
    Replay();
}

QPoint BoardImage::ToDevice(double x, double y) const
{
    return {ClampedRound(x * m_image.width() / kBoardUnits),
            ClampedRound(y * m_image.height() / kBoardUnits)};
}

QRect BoardImage::EllipseRect(float x, float y, float radius, float aspect) const
{
    const double halfWidth = static_cast<double>(radius) * m_image.width() / kBoardUnits;
    const double halfHeight = std::abs(static_cast<double>(aspect)) * halfWidth;
    const int a = ClampedRound(halfWidth);
    const int b = ClampedRound(halfHeight);
    const QPoint centre = ToDevice(x, y);
    return {centre.x() - a, centre.y() - b, 2 * a, 2 * b};
}

void BoardImage::Cls()
{
    m_operations.clear(); // keeps its capacity
    m_image.fill(kBackground);
}

void BoardImage::Line(float x1, float y1, float x2, float y2, const QColor& color)
{
    if (!color.isValid() || !IsFinite(x1) || !IsFinite(y1) || !IsFinite(x2) || !IsFinite(y2))
        return;
    const Operation operation{Operation::Kind::Line, x1, y1, x2, y2, color.rgb()};
    m_operations.push_back(operation);
    RenderLine(operation);
}

void BoardImage::Circle(float x, float y, float radius, const QColor& color, float aspect)
{
    if (!color.isValid() || !IsFinite(x) || !IsFinite(y) || !IsFinite(radius) ||
        !IsFinite(aspect) || radius < 0.0f)
        return;
    const Operation operation{Operation::Kind::Circle, x, y, radius, aspect, color.rgb()};
    m_operations.push_back(operation);
    RenderCircle(operation);
}

void BoardImage::Render(const Operation& operation)
{
    if (operation.kind == Operation::Kind::Line)
        RenderLine(operation);
    else
        RenderCircle(operation);
}

void BoardImage::Replay()
{
    m_image.fill(kBackground);
    for (const Operation& operation : m_operations)
        Render(operation);
}

void BoardImage::RenderLine(const Operation& operation)
{
    const QPoint from = ToDevice(operation.x1, operation.y1);
    const QPoint to = ToDevice(operation.x2, operation.y2);
    if ((from.x() == to.x()) != (from.y() == to.y())) {
        FillAxisLine(from, to, operation.color);
        return;
    }
    QPainter painter(&m_image);
    UseBoardPen(painter, operation.color, m_penWidth);
    painter.drawLine(from, to);
}

void BoardImage::FillAxisLine(QPoint from, QPoint to, QRgb color)
{
    // What QPainter draws for an aliased flat-capped line along an axis: the
    // pixels from the smaller end up to, not including, the larger one, in a
    // band of pen-width rows (or columns) starting half a width before it.
    // Done here without a painter, which would allocate for every line.
    const bool horizontal = from.y() == to.y();
    const int start = horizontal ? std::min(from.x(), to.x()) : std::min(from.y(), to.y());
    const int end = horizontal ? std::max(from.x(), to.x()) : std::max(from.y(), to.y());
    const int firstBand = (horizontal ? from.y() : from.x()) - m_penWidth / 2;
    QRect band = horizontal ? QRect(start, firstBand, end - start, m_penWidth)
                            : QRect(firstBand, start, m_penWidth, end - start);
    band &= QRect(0, 0, m_image.width(), m_image.height());
    if (band.isEmpty())
        return;
    const qsizetype stride = m_image.bytesPerLine() / 4;
    auto* const bits = reinterpret_cast<QRgb*>(m_image.bits());
    for (int y = band.top(); y <= band.bottom(); ++y) {
        QRgb* row = bits + static_cast<qsizetype>(y) * stride;
        std::fill(row + band.left(), row + band.right() + 1, color);
    }
}

void BoardImage::RenderCircle(const Operation& operation)
{
    const QRect rect = EllipseRect(operation.x1, operation.y1, operation.x2, operation.y2);
    const int a = rect.width() / 2;
    const int b = rect.height() / 2;
    if (a > kMaxTemplateHalfAxis || b > kMaxTemplateHalfAxis) {
        QPainter painter(&m_image);
        UseBoardPen(painter, operation.color, m_penWidth);
        painter.drawEllipse(rect);
        return;
    }

    const Outline& outline = OutlineFor(a, b);
    const QPoint centre = rect.topLeft() + QPoint(a, b);
    const QRect imageRect(0, 0, m_image.width(), m_image.height());
    const QRgb color = operation.color;
    auto* const bits = reinterpret_cast<QRgb*>(m_image.bits());

    if (imageRect.contains(outline.bounds.translated(centre))) {
        QRgb* const origin =
            bits + static_cast<qsizetype>(centre.y()) * (m_image.bytesPerLine() / 4) + centre.x();
        for (const qsizetype offset : outline.linearOffsets)
            origin[offset] = color;
        return;
    }
    if (!imageRect.intersects(outline.bounds.translated(centre)))
        return;
    const qsizetype stride = m_image.bytesPerLine() / 4;
    for (const QPoint offset : outline.offsets) {
        const int px = centre.x() + offset.x();
        const int py = centre.y() + offset.y();
        if (px >= 0 && py >= 0 && px < imageRect.width() && py < imageRect.height())
            bits[static_cast<qsizetype>(py) * stride + px] = color;
    }
}

const BoardImage::Outline& BoardImage::OutlineFor(int halfWidth, int halfHeight)
{
    for (const Outline& outline : m_outlines) {
        if (outline.halfWidth == halfWidth && outline.halfHeight == halfHeight)
            return outline;
    }

    if (m_outlines.size() >= kMaxCachedOutlines)
        m_outlines.clear();

    // Render the outline once with QPainter, at the same integer rectangle
    // shape and pen as a direct drawEllipse, and keep its pixels.
    const int margin = m_penWidth + 2;
    const QPoint centre(margin + halfWidth, margin + halfHeight);
    QImage stamp(2 * centre.x() + 1, 2 * centre.y() + 1, QImage::Format_ARGB32);
    stamp.fill(Qt::transparent);
    {
        QPainter painter(&stamp);
        UseBoardPen(painter, qRgb(0, 0, 0), m_penWidth);
        painter.drawEllipse(
            QRect(centre.x() - halfWidth, centre.y() - halfHeight, 2 * halfWidth, 2 * halfHeight));
    }

    Outline outline;
    outline.halfWidth = halfWidth;
    outline.halfHeight = halfHeight;
    const qsizetype stride = m_image.bytesPerLine() / 4;
    for (int y = 0; y < stamp.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        for (int x = 0; x < stamp.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            const QPoint offset(x - centre.x(), y - centre.y());
            outline.offsets.push_back(offset);
            outline.linearOffsets.push_back(static_cast<qsizetype>(offset.y()) * stride +
                                            offset.x());
            outline.bounds |= QRect(offset, QSize(1, 1));
        }
    }
    m_outlines.push_back(std::move(outline));
    return m_outlines.back();
}

} // namespace platform
