#include "platform/BoardCanvas.h"

#include <QPainter>

#include <cmath>

namespace platform {

BoardCanvas::BoardCanvas(QWidget* parent) : QFrame(parent), m_board(kDrawingAreaSize)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken); // two pixels: contentsRect() is the board
    setFocusPolicy(Qt::StrongFocus);
    m_board.Cls();
}

void BoardCanvas::Cls()
{
    m_board.Cls();
    ScheduleRepaint();
}

void BoardCanvas::Line(float x1, float y1, float x2, float y2, Rgb color)
{
    m_board.Line(x1, y1, x2, y2, color);
    ScheduleRepaint();
}

void BoardCanvas::Circle(float x, float y, float radius, Rgb color, float aspect)
{
    m_board.Circle(x, y, radius, color, aspect);
    ScheduleRepaint();
}

void BoardCanvas::ScheduleRepaint()
{
    if (m_repaintScheduled)
        return;
    m_repaintScheduled = true;
    update();
}

void BoardCanvas::paintEvent(QPaintEvent*)
{
    m_repaintScheduled = false;
    QPainter painter(this);
    const QTransform toDevice = painter.deviceTransform();
    const QTransform toLogical = toDevice.inverted();
    // The device pixels whose centres lie inside a logical rectangle.
    const auto pixels = [&toDevice](QRect logical) {
        const QRectF r = toDevice.mapRect(QRectF(logical));
        return QRect(QPoint(qRound(r.left()), qRound(r.top())),
                     QPoint(qRound(r.right()) - 1, qRound(r.bottom()) - 1));
    };
    const auto fill = [&](QRect device, QPalette::ColorRole role) {
        painter.fillRect(toLogical.mapRect(QRectF(device)), palette().color(role));
    };
    const QRect outer = pixels(rect());
    const QRect inner = pixels(rect().adjusted(1, 1, -1, -1));
    const QRect area = pixels(contentsRect());

    // The sunken bevel: dark over shadow above and to the left, light over
    // midlight below and to the right.
    fill(outer, QPalette::Light);
    fill(QRect(outer.topLeft(), QPoint(inner.right(), inner.top() - 1)), QPalette::Dark);
    fill(QRect(outer.topLeft(), QPoint(inner.left() - 1, inner.bottom())), QPalette::Dark);
    fill(inner, QPalette::Midlight);
    fill(QRect(inner.topLeft(), QPoint(area.right(), area.top() - 1)), QPalette::Shadow);
    fill(QRect(inner.topLeft(), QPoint(area.left() - 1, area.bottom())), QPalette::Shadow);

    // A move to a screen of another density shows up here first: the board
    // is rendered anew at the new resolution before it is shown.
    m_board.Resize(area.size(), std::max(1, qRound(devicePixelRatioF())));
    painter.drawImage(toLogical.mapRect(QRectF(area)), m_board.Image());
}

} // namespace platform
