// The board canvas: how board units land on pixels, what Line, Circle and
// Cls leave in the retained image, and that the fast outline replay is pixel
// for pixel what QPainter draws.

#include "BoardCanvas.h"
#include "BoardGeometry.h"
#include "BoardImage.h"
#include "QBColor.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using platform::BoardCanvas;
using platform::BoardImage;

namespace {

constexpr QSize kArea{523, 435};
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);

QRgb Pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

// The smallest rectangle holding every pixel that is not white.
QRect InkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Pixel(image, x, y) != kWhite)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

bool RowIs(const QImage& image, int y, QRgb color);
bool ColumnIs(const QImage& image, int x, QRgb color);

bool RowIs(const QImage& image, int y, QRgb color)
{
    for (int x = 0; x < image.width(); ++x) {
        if (Pixel(image, x, y) != color)
            return false;
    }
    return true;
}

bool ColumnIs(const QImage& image, int x, QRgb color)
{
    for (int y = 0; y < image.height(); ++y) {
        if (Pixel(image, x, y) != color)
            return false;
    }
    return true;
}

// A painter set up the way the canvas draws: copy mode, aliased, a flat-
// capped pen of the given width.
void SetUpReferencePainter(QPainter& painter, QRgb color, int penWidth)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor::fromRgb(color), penWidth);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
}

// What QPainter itself draws for the same ellipse rectangle and pen.
void PaintReferenceEllipse(QImage& image, const QRect& rect, QRgb color, int penWidth)
{
    QPainter painter(&image);
    SetUpReferencePainter(painter, color, penWidth);
    painter.drawEllipse(rect);
}

QImage Blank(const BoardImage& board)
{
    QImage image(board.Image().size(), QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

} // namespace

class CanvasTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gridLinesLandOnTheirPixels_data();
    void gridLinesLandOnTheirPixels();
    void coinOutlineSizeAndColour_data();
    void coinOutlineSizeAndColour();
    void coinNearCornerIsClipped();
    void clsLeavesOnlyWhite();
    void outlineMatchesQPainter_data();
    void outlineMatchesQPainter();
    void axisLinesMatchQPainter_data();
    void axisLinesMatchQPainter();
    void badArgumentsDrawNothing_data();
    void badArgumentsDrawNothing();
    void resolutionChangeRedrawsSharply();
    void canvasWidgetShowsTheBoardInsideItsBorder();
};

void CanvasTest::gridLinesLandOnTheirPixels_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<int>("at");
    // y units are 435/480 of a pixel (40 -> 36.25, 440 -> 398.75), x units
    // 523/480 (40 -> 43.58, 440 -> 479.42); lines land on the nearest pixel.
    const int rows[] = {36, 127, 218, 308, 399};
    const int columns[] = {44, 153, 262, 370, 479};
    for (int k = 0; k < 5; ++k) {
        QTest::addRow("y=%d", 40 + 100 * k) << true << rows[k];
        QTest::addRow("x=%d", 40 + 100 * k) << false << columns[k];
    }
}

void CanvasTest::gridLinesLandOnTheirPixels()
{
    QFETCH(bool, horizontal);
    QFETCH(int, at);
    BoardImage board(kArea);
    board.Cls();
    experiment::DrawBoardGrid(board);
    const auto lineIs = horizontal ? RowIs : ColumnIs;
    QVERIFY2(lineIs(board.Image(), at, kBlack), "the line spans the whole area");
    QVERIFY(!lineIs(board.Image(), at - 1, kBlack));
    QVERIFY(!lineIs(board.Image(), at + 1, kBlack));
}

void CanvasTest::coinOutlineSizeAndColour_data()
{
    QTest::addColumn<int>("paletteIndex");
    QTest::addColumn<uint>("rgb");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("outlineSize");
    QTest::newRow("hit at 1x") << 9 << uint(kBlue) << qreal(1) << QSize(109, 93);
    QTest::newRow("miss at 1x") << 12 << uint(kRed) << qreal(1) << QSize(109, 93);
    // At 2x the pen is two pixels wide and adds one pixel on each side.
    QTest::newRow("hit at 2x") << 9 << uint(kBlue) << qreal(2) << QSize(220, 188);
}

void CanvasTest::coinOutlineSizeAndColour()
{
    QFETCH(int, paletteIndex);
    QFETCH(uint, rgb);
    QFETCH(qreal, ratio);
    QFETCH(QSize, outlineSize);

    BoardImage board(kArea, ratio);
    board.Cls();
    board.Circle(240, 240, 50, platform::QBColor(paletteIndex), 0.85f);
    const QImage& image = board.Image();
    const QRect ink = InkBounds(image);
    QCOMPARE(ink.size(), outlineSize);
    // An even pen width leaves the ink's centre half a pixel off.
    QVERIFY((ink.center() - board.ToDevice(240, 240)).manhattanLength() <= 2);

    int inked = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            const QRgb pixel = Pixel(image, x, y);
            if (pixel != kWhite) {
                QCOMPARE(pixel, QRgb(rgb));
                ++inked;
            }
        }
    }
    QCOMPARE(Pixel(image, ink.center().x(), ink.center().y()), kWhite); // not filled
    // An outline, about the ellipse's perimeter long times the pen's width.
    const int perimeter = static_cast<int>(ratio * 318);
    QVERIFY2(inked > perimeter * ratio * 0.8 && inked < perimeter * ratio * 1.3,
             qPrintable(QString::number(inked)));
}

void CanvasTest::coinNearCornerIsClipped()
{
    BoardImage board(kArea);
    board.Cls();
    board.Circle(40, 40, 50, platform::QBColor(9), 0.85f);
    const QRect ink = InkBounds(board.Image());
    QCOMPARE(ink.topLeft(), QPoint(0, 0));
    QCOMPARE(ink.bottomRight(), board.ToDevice(40, 40) + QPoint(54, 46));
    // The coin's left and top arcs run off the area and are cut there.
    const QImage& image = board.Image();
    QVERIFY(!ColumnIs(image, 0, kWhite));
    QVERIFY(!RowIs(image, 0, kWhite));
    QCOMPARE(Pixel(image, 0, board.ToDevice(40, 40).y()), kWhite);
}

void CanvasTest::clsLeavesOnlyWhite()
{
    BoardImage board(kArea);
    board.Cls();
    experiment::DrawBoardGrid(board);
    for (int i = 0; i < 200; ++i)
        board.Circle(40 + i * 2, 40 + i, 50, platform::QBColor(i % 2 ? 9 : 12), 0.85f);
    QVERIFY(!InkBounds(board.Image()).isNull());
    board.Cls();
    QVERIFY(InkBounds(board.Image()).isNull());
}

void CanvasTest::outlineMatchesQPainter_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<float>("radius");
    QTest::addColumn<float>("aspect");
    QTest::addColumn<int>("coins");
    QTest::newRow("coins at 1x") << qreal(1) << 50.0f << 0.85f << 3000;
    QTest::newRow("coins at 2x") << qreal(2) << 50.0f << 0.85f << 3000;
    QTest::newRow("point") << qreal(1) << 0.0f << 1.0f << 20;
    QTest::newRow("tall") << qreal(1) << 20.0f << 2.5f << 20;
    QTest::newRow("flat") << qreal(1) << 120.0f << 0.1f << 20;
    QTest::newRow("far too large for a template") << qreal(1) << 5000.0f << 0.85f << 3;
}

void CanvasTest::outlineMatchesQPainter()
{
    QFETCH(qreal, ratio);
    QFETCH(float, radius);
    QFETCH(float, aspect);
    QFETCH(int, coins);
    BoardImage board(kArea, ratio);
    board.Cls();
    QImage reference = Blank(board);
    QRandomGenerator random(20261206);
    for (int i = 0; i < coins; ++i) {
        // Whole board units, the border strips and beyond the edges included.
        const auto x = static_cast<float>(random.bounded(-60, 541));
        const auto y = static_cast<float>(random.bounded(-60, 541));
        const QRgb color = i % 2 ? kBlue : kRed;
        board.Circle(x, y, radius, QColor::fromRgb(color), aspect);
        PaintReferenceEllipse(reference, board.EllipseRect(x, y, radius, aspect), color,
                              static_cast<int>(ratio));
    }
    QCOMPARE(board.Image(), reference);
}

void CanvasTest::axisLinesMatchQPainter_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << qreal(1);
    QTest::newRow("1.5x") << qreal(1.5);
    QTest::newRow("2x") << qreal(2);
    QTest::newRow("3x") << qreal(3);
}

void CanvasTest::axisLinesMatchQPainter()
{
    QFETCH(qreal, ratio);
    BoardImage board(kArea, ratio);
    board.Cls();
    QImage reference = Blank(board);
    const int penWidth = std::max(1, qRound(ratio));
    const auto referenceLine = [&](float x1, float y1, float x2, float y2) {
        QPainter painter(&reference);
        SetUpReferencePainter(painter, kBlack, penWidth);
        painter.drawLine(board.ToDevice(x1, y1), board.ToDevice(x2, y2));
    };
    QRandomGenerator random(42);
    for (int i = 0; i < 400; ++i) {
        const auto a = static_cast<float>(random.bounded(-40, 521));
        const auto b = static_cast<float>(random.bounded(-40, 521));
        const auto c = static_cast<float>(random.bounded(-40, 521));
        const QColor black(Qt::black);
        if (i % 2) { // horizontal, either direction
            board.Line(a, c, b, c, black);
            referenceLine(a, c, b, c);
        } else { // vertical
            board.Line(c, a, c, b, black);
            referenceLine(c, a, c, b);
        }
    }
    experiment::DrawBoardGrid(board);
    for (int k = 0; k < 5; ++k) {
        const auto at = static_cast<float>(40 + 100 * k);
        referenceLine(0, at, 480, at);
        referenceLine(at, 0, at, 480);
    }
    QCOMPARE(board.Image().convertToFormat(QImage::Format_RGB32),
             reference.convertToFormat(QImage::Format_RGB32));
}

void CanvasTest::badArgumentsDrawNothing_data()
{
    QTest::addColumn<bool>("line");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("radius");
    QTest::addColumn<int>("paletteIndex");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("circle in no colour") << false << 240.0f << 50.0f << 99;
    QTest::newRow("circle at NaN") << false << nan << 50.0f << 9;
    QTest::newRow("circle at infinity") << false << inf << 50.0f << 9;
    QTest::newRow("circle of negative radius") << false << 240.0f << -5.0f << 9;
    QTest::newRow("circle of NaN radius") << false << 240.0f << nan << 9;
    QTest::newRow("circle far beyond the board") << false << 3.0e9f << 50.0f << 9;
    QTest::newRow("line in no colour") << true << 240.0f << 0.0f << -1;
    QTest::newRow("line from NaN") << true << nan << 0.0f << 0;
    QTest::newRow("line from infinity") << true << -inf << 0.0f << 0;
}

void CanvasTest::badArgumentsDrawNothing()
{
    QFETCH(bool, line);
    QFETCH(float, x);
    QFETCH(float, radius);
    QFETCH(int, paletteIndex);
    BoardImage board(kArea);
    board.Cls();
    if (line)
        board.Line(x, 0, 240, 480, platform::QBColor(paletteIndex));
    else
        board.Circle(x, 240, radius, platform::QBColor(paletteIndex), 0.85f);
    QVERIFY(InkBounds(board.Image()).isNull());
    // Nothing bad is kept either: a later resolution change replays cleanly.
    board.SetDevicePixelRatio(2.0);
    QVERIFY(InkBounds(board.Image()).isNull());
}

void CanvasTest::resolutionChangeRedrawsSharply()
{
    BoardImage moved(kArea, 1.0);
    moved.Cls();
    experiment::DrawBoardGrid(moved);
    for (int i = 0; i < 50; ++i)
        moved.Circle(40 + 8 * i, 439 - 8 * i, 50, platform::QBColor(i % 2 ? 9 : 12), 0.85f);
    moved.SetDevicePixelRatio(2.0);

    BoardImage native(kArea, 2.0);
    native.Cls();
    experiment::DrawBoardGrid(native);
    for (int i = 0; i < 50; ++i)
        native.Circle(40 + 8 * i, 439 - 8 * i, 50, platform::QBColor(i % 2 ? 9 : 12), 0.85f);

    QCOMPARE(moved.Image().size(), QSize(1046, 870));
    QCOMPARE(moved.Image(), native.Image());
}

void CanvasTest::canvasWidgetShowsTheBoardInsideItsBorder()
{
    BoardCanvas canvas;
    canvas.resize(canvas.sizeHint());
    QCOMPARE(canvas.size(), QSize(527, 439));
    QCOMPARE(canvas.DrawingArea(), QRect(2, 2, 523, 435));

    experiment::DrawBoardGrid(canvas);
    canvas.Circle(240, 240, 50, platform::QBColor(12), 0.85f);
    // What the widget paints is the backing image pixel for pixel, at the
    // screen's own resolution (this test also runs with QT_SCALE_FACTOR=2).
    const qreal ratio = canvas.devicePixelRatioF();
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(canvas.Board().DevicePixelRatio(), ratio);
    QCOMPARE(canvas.Board().Image().size(), (QSizeF(523, 435) * ratio).toSize());
    const QRect area(canvas.DrawingArea().topLeft() * ratio, canvas.Board().Image().size());
    QImage part = shown.copy(area);
    part.setDevicePixelRatio(1.0);
    QCOMPARE(part, canvas.Board().Image().convertToFormat(QImage::Format_RGB32));
    QVERIFY(Pixel(shown, 0, 0) != kWhite); // the border
}

QTEST_MAIN(CanvasTest)
#include "tst_canvas.moc"
