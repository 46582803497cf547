#pragma once

#include "platform/BoardSurface.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

namespace platform {

// The retained drawing of the board: an image in device pixels onto which
// the board's 0..480 units in both directions are mapped, edge to edge.
//
// Units are not square on the screen: the drawing area is wider than it is
// high, so one x unit spans more pixels than one y unit. Everything is drawn
// with a one-pixel (per device-independent pixel) aliased pen in copy mode,
// outlines only, clipped at the edges of the area.
//
// Every ellipse of one size has the same pixels, so the outline is rendered
// once with QPainter and its pixel offsets are replayed for each centre;
// the result is identical to QPainter::drawEllipse with the same integer
// rectangle, at a small fraction of its cost.
//
// The operations since the last Cls() are kept, so that a change of size
// (a move to a screen of another pixel ratio) renders the board anew, sharp
// at the new resolution, instead of scaling the old pixels.
class BoardImage final : public BoardSurface
{
public:
    static constexpr double kBoardUnits = 480.0;

    // An image of `deviceSize` pixels drawn with a pen `penWidth` pixels wide.
    explicit BoardImage(QSize deviceSize, int penWidth = 1);

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, const QColor& color) override;
    void Circle(float x, float y, float radius, const QColor& color, float aspect) override;

    // Renders the kept drawing anew at another size and pen width.
    void Resize(QSize deviceSize, int penWidth);

    // The drawing in device pixels (the image's own ratio is left at 1).
    const QImage& Image() const { return m_image; }

    // The device pixel on which a point in board units lands.
    QPoint ToDevice(double x, double y) const;

    // The integer rectangle whose inscribed ellipse Circle() draws.
    QRect EllipseRect(float x, float y, float radius, float aspect) const;

    static constexpr QRgb kBackground = 0xffffffff;

private:
    struct Operation
    {
        enum class Kind : std::uint8_t
        {
            Line,
            Circle
        };
        Kind kind;
        float x1, y1, x2, y2; // Circle: x, y, radius, aspect
        QRgb color;
    };

    struct Outline
    {
        int halfWidth = 0;
        int halfHeight = 0;
        QRect bounds;                         // relative to the centre
        std::vector<QPoint> offsets;          // relative to the centre
        std::vector<qsizetype> linearOffsets; // the same, in pixels of m_image
    };

    void Render(const Operation& operation);
    void RenderLine(const Operation& operation);
    void RenderCircle(const Operation& operation);
    void FillAxisLine(QPoint from, QPoint to, QRgb color);
    const Outline& OutlineFor(int halfWidth, int halfHeight);
    void Replay();

    int m_penWidth = 1;
    QImage m_image;
    std::vector<Operation> m_operations;
    std::vector<Outline> m_outlines;
};

} // namespace platform
