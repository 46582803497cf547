#pragma once

#include "platform/BoardSurface.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>
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
// Drawing only records the operation (a coin is its centre and colour); the
// record is rendered when the image is asked for, at whatever size it then
// has, so a move to a screen of another pixel ratio renders the board anew,
// sharp, instead of scaling old pixels. A long run of coins is rendered by
// two threads, the caller for the upper and a worker kept for the purpose
// for the lower half of the rows, each taking the coins in the order they
// were drawn: the image is the same as drawing them one by one. Without a
// worker (none could be started) the caller renders all rows, identically.
// An image too large for the memory at hand is said once, not drawn; what
// cannot be recorded or rendered for want of memory is said once and left
// out. Nothing here ends the program for want of memory.
// Every ellipse of one size has the same pixels: its outline is rendered
// once with QPainter and its pixels are copied for each centre, identical
// to QPainter::drawEllipse on the same rectangle.
class BoardImage final : public BoardSurface
{
public:
    static constexpr double kBoardUnits = 480.0;
    static constexpr QRgb kBackground = 0xffffffff;

    // An image of `deviceSize` pixels drawn with a pen `penWidth` pixels wide.
    explicit BoardImage(QSize deviceSize, int penWidth = 1);
    ~BoardImage() override;
    BoardImage(const BoardImage&) = delete;
    BoardImage& operator=(const BoardImage&) = delete;

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, Rgb color) override;
    void Circle(float x, float y, float radius, Rgb color, float aspect) override;

    // Renders the kept drawing anew at another size and pen width.
    void Resize(QSize deviceSize, int penWidth);

    // The drawing in device pixels, everything recorded so far rendered in
    // (the image's own pixel ratio is left at 1).
    const QImage& Image();

    // The device pixel on which a point in board units lands.
    QPoint ToDevice(double x, double y) const;

    // The integer rectangle whose inscribed ellipse Circle() draws.
    QRect EllipseRect(float x, float y, float radius, float aspect) const;

private:
    static constexpr std::uint32_t kLine = 0x8000'0000; // in Operation::shape

    struct Operation
    {
        float x, y; // a line's first end, a circle's centre
        QRgb color;
        std::uint32_t shape; // index into m_shapes, with kLine for a line
    };
    struct Outline // the pixels of one ellipse, row by row from its top
    {
        int halfWidth, halfHeight, top, left, right;
        std::vector<std::uint32_t> rowStart; // into dx and offsets, one more than rows
        std::vector<std::int16_t> dx;        // from the centre's column
        std::vector<std::int32_t> offsets;   // from the centre, in pixels of the image
    };
    struct Coin
    {
        int x, y, top, bottom; // centre; first and last row on the image
        QRgb color;
        std::uint32_t outline;
    };

    struct Worker;

    void RenderRecord();
    void RenderCoins(std::size_t first, std::size_t last);
    void RenderRows(QRgb* bits, int top, int bottom) const;
    std::uint32_t OutlineFor(std::uint32_t shape);
    void WarnNoMemory(const char* what);

    int m_penWidth = 1;
    QSize m_deviceSize;
    QImage m_image;
    std::vector<Operation> m_operations;
    std::vector<std::pair<float, float>> m_shapes; // line: other end; circle: radius, aspect
    std::size_t m_rendered = 0;                    // operations already in m_image
    bool m_blank = false;                          // m_image still to be wiped
    std::vector<Outline> m_outlines;
    std::vector<std::uint32_t> m_shapeOutlines; // per shape, or ~0 not yet made
    std::vector<Coin> m_coins;                  // the run of coins being rendered
    std::unique_ptr<Worker> m_worker;           // made at the first long run
    bool m_noWorker = false;                    // none could be started
    bool m_warnedNoImage = false;
    bool m_warnedNoMemory = false;
};

} // namespace platform
