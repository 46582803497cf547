#include "BoardCanvas.h"

#include <QPaintEvent>
#include <QPainter>

namespace platform {

BoardCanvas::BoardCanvas(QWidget* parent)
    : QFrame(parent), m_board(kDrawingAreaSize, devicePixelRatioF())
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorderWidth);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_board.Cls();
}

QSize BoardCanvas::sizeHint() const
{
    return kDrawingAreaSize + QSize(2 * kBorderWidth, 2 * kBorderWidth);
}

void BoardCanvas::Cls()
{
    m_board.Cls();
    ScheduleRepaint();
}

void BoardCanvas::Line(float x1, float y1, float x2, float y2, const QColor& color)
{
    m_board.Line(x1, y1, x2, y2, color);
    ScheduleRepaint();
}

void BoardCanvas::Circle(float x, float y, float radius, const QColor& color, float aspect)
{
    m_board.Circle(x, y, radius, color, aspect);
    ScheduleRepaint();
}

void BoardCanvas::ScheduleRepaint()
{
    if (m_repaintScheduled)
        return;
    m_repaintScheduled = true;
    update(contentsRect());
}

void BoardCanvas::paintEvent(QPaintEvent* event)
{
    m_repaintScheduled = false;
    // A move to a screen of another density shows up here first: the board
    // is drawn anew at the new resolution before it is shown.
    m_board.SetDevicePixelRatio(devicePixelRatioF());
    QPainter painter(this);
    const QRect area = contentsRect();
    if (event->region().intersects(area))
        painter.drawImage(area, m_board.Image());
    painter.end();
    QFrame::paintEvent(event); // the border
}

} // namespace platform
