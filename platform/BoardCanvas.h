#pragma once

#include "platform/BoardImage.h"
#include "platform/BoardSurface.h"

#include <QFrame>

namespace platform {

// The picture box the board is drawn on: a two-tone sunken bevel two pixels
// wide around a white drawing area that shows a retained BoardImage.
// Drawing only marks the widget dirty; the window system repaints it when
// the event loop next runs, so a long run costs one repaint, not one per
// coin. The bevel and the board are laid out on whole device pixels, so
// that at any scale every pixel of the widget is painted, and the board is
// rendered at the screen's own resolution.
class BoardCanvas final : public QFrame, public BoardSurface
{
    Q_OBJECT

public:
    static constexpr QSize kDrawingAreaSize{523, 435};

    explicit BoardCanvas(QWidget* parent = nullptr);

    void Cls() override;
    void Line(float x1, float y1, float x2, float y2, Rgb color) override;
    void Circle(float x, float y, float radius, Rgb color, float aspect) override;

    // The retained drawing, in device pixels.
    BoardImage& Board() { return m_board; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ScheduleRepaint();

    BoardImage m_board;
    bool m_repaintScheduled = false;
};

} // namespace platform
