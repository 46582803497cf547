// The board canvas: pixels identical to QPainter's, the mapping of board
// units, and what the widget shows on screen at any scale.

#include "Doubles.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

namespace {

constexpr QSize kArea{523, 435};

// In a child process at some scale: after a run, the window shows the board
// at the screen's resolution, and every other device pixel of the canvas is
// the bevel's.
int CheckCanvasOnScreen()
{
    Window w;
    window::Form1& form = *w.form;
    if (!QTest::qWaitForWindowExposed(&form))
        return 2;
    w.Command(1)->click();
    QCoreApplication::processEvents();
    // The window's backing store: what the window system was last given to show.
    const QImage shown = dynamic_cast<const QImage*>(form.backingStore()->paintDevice())
                             ->convertToFormat(QImage::Format_RGB32);
    const QImage& board = w.Picture1()->Board().Image();
    const qreal s = form.devicePixelRatioF();
    const QRectF widget(QPointF(w.Picture1()->pos()) * s, QSizeF(w.Picture1()->size()) * s);
    QRect area;
    for (int d = 0; d < 9 && area.isNull(); ++d) { // where the board shows, give or take a pixel
        const QRect at((widget.topLeft() + QPointF(2, 2) * s).toPoint() +
                           QPoint(d % 3 - 1, d / 3 - 1),
                       board.size());
        area = shown.copy(at) == board ? at : QRect();
    }
    if (area.isNull() || std::abs(board.width() - 523 * s) > 1.5)
        return qWarning("the board does not show at %gx", s), 1;
    const QPalette palette = w.Picture1()->palette();
    const QList<QRgb> bevel = {palette.dark().color().rgb(), palette.light().color().rgb(),
                               palette.midlight().color().rgb(), palette.shadow().color().rgb()};
    for (int y = int(std::ceil(widget.top())); y < int(std::floor(widget.bottom())); ++y) {
        for (int x = int(std::ceil(widget.left())); x < int(std::floor(widget.right())); ++x) {
            if (!area.contains(x, y) && !bevel.contains(shown.pixel(x, y)))
                return qWarning("pixel (%d, %d) at %gx is #%06x", x, y, s,
                                shown.pixel(x, y) & 0xffffff),
                       1;
        }
    }
    // Sunken: shadow just above and left of the board, midlight below and right.
    const QRgb shadow = palette.shadow().color().rgb(), light = palette.midlight().color().rgb();
    if (shown.pixel(area.center().x(), area.top() - 1) != shadow ||
        shown.pixel(area.left() - 1, area.center().y()) != shadow ||
        shown.pixel(area.center().x(), area.bottom() + 1) != light ||
        shown.pixel(area.right() + 1, area.center().y()) != light)
        return qWarning("the bevel is not sunken at %gx", s), 1;
    // The pen is as wide as a logical pixel, rounded: five lines across column 0.
    w.Command(6)->click();
    const QImage grid = w.Picture1()->Board().Image();
    int ink = 0;
    for (int y = 0; y < grid.height(); ++y)
        ink += grid.pixel(0, y) == 0xff000000;
    if (ink != 5 * qRound(s))
        return qWarning("the grid lines are %d pixels wide in all at %gx", ink, s), 1;
    return 0;
}

// In a child process where no thread can start: the window works, draws a
// long run on its own thread, and its cues are silent.
int RunWithoutThreads()
{
    window::Form1 form; // the system's own player
    form.show();
    form.findChild<QPushButton*>(u"Command4"_s)->click(); // long enough for two render threads
    const QImage board = form.findChild<platform::BoardCanvas*>(u"Picture1"_s)->Board().Image();
    int ink = 0;
    for (int y = 0; y < board.height(); ++y) {
        for (int x = 0; x < board.width(); ++x)
            ink += board.pixel(x, y) == 0xff0000ff || board.pixel(x, y) == 0xffff0000;
    }
    return ink > 10000 ? 0 : 3;
}

} // namespace

class CanvasTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void identicalToQPainter_data()
    {
        QTest::addColumn<int>("ratio");
        QTest::newRow("1x") << 1;
        QTest::newRow("2x") << 2;
        QTest::newRow("3x") << 3;
    }
    void identicalToQPainter()
    {
        QFETCH(int, ratio);
        // Drawn at 1x, shown at the ratio (a move to a screen of another density).
        platform::BoardImage board(kArea, 1);
        const platform::BoardImage map(kArea * ratio, ratio); // where QPainter draws
        QImage expected(kArea * ratio, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter painter(&expected);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        experiment::DrawBoardGrid(board);
        painter.setPen(QPen(Qt::black, ratio, Qt::SolidLine, Qt::FlatCap));
        for (int k = 40; k <= 440; k += 100) {
            painter.drawLine(map.ToDevice(0, k), map.ToDevice(480, k));
            painter.drawLine(map.ToDevice(k, 0), map.ToDevice(k, 480));
        }
        // Random centres, and the edges and corners where coins are clipped.
        QList<QPoint> centres = {{40, 40},   {439, 439}, {40, 439},  {439, 40},  {0, 240},
                                 {480, 240}, {240, 0},   {240, 480}, {-30, -30}, {510, 510}};
        QRandomGenerator random(ratio);
        for (int i = 0; i < 2500; ++i) // enough for the second render thread
            centres << QPoint(random.bounded(40, 440), random.bounded(40, 440));
        for (const QPoint c : centres) {
            const bool covered =
                experiment::CoversLatticePoint(std::int16_t(c.x()), std::int16_t(c.y()));
            experiment::DrawCoin(board, std::int16_t(c.x()), std::int16_t(c.y()), covered);
            painter.setPen(QPen(covered ? Qt::blue : Qt::red, ratio, Qt::SolidLine, Qt::FlatCap));
            painter.drawEllipse(map.EllipseRect(c.x(), c.y(), 50, 0.85f));
        }
        painter.end();
        board.Image();
        board.Resize(kArea * ratio, ratio);
        QCOMPARE(board.Image(), expected);
    }
    void unitsMapOntoTheDrawingAreaAndClsWipesIt()
    {
        platform::BoardImage board(kArea);
        board.Line(0, 40, 480, 40, 0xff000000);
        board.Line(440, 0, 440, 480, 0xff000000);
        experiment::DrawCoin(board, 240, 240, true);
        const QImage image = board.Image();
        // The line at 40 units is row 36, edge to edge; the one at 440 column 479.
        for (int x = 0; x < 523; ++x)
            QCOMPARE(image.pixel(x, 36), 0xff000000);
        QCOMPARE(image.pixel(5, 35) & image.pixel(5, 37) & image.pixel(480, 400), 0xffffffff);
        QCOMPARE(image.pixel(479, 400), 0xff000000);
        // The coin at the centre: 109 x 93 pixels of ink, centred on (262, 218).
        QRect ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                ink |= image.pixel(x, y) == 0xff0000ff ? QRect(x, y, 1, 1) : QRect();
        }
        QCOMPARE(ink, QRect(208, 172, 109, 93));
        board.Cls();
        board.Resize(kArea * 2, 2); // a later change of resolution brings nothing back
        QImage white(kArea * 2, QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(board.Image(), white);
    }
    void everyPixelIsPaintedAtAnyScale_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("scale");
        for (int tenths = 10; tenths <= 30; ++tenths)
            QTest::addRow("%.1f", tenths / 10.0)
                << u"QT_SCALE_FACTOR"_s << QString::number(tenths / 10.0);
        QTest::newRow("screen 1.7") << u"QT_SCREEN_SCALE_FACTORS"_s << u"1.7"_s;
    }
    void everyPixelIsPaintedAtAnyScale()
    {
        QFETCH(QString, variable);
        QFETCH(QString, scale);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(variable, scale);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--on-screen"_s});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
    }
#ifndef Q_OS_WIN
    void noThreadsNoEnd()
    {
        QProcess child;
        child.setChildProcessModifier([] { // every new thread's stack too large to have
            const rlimit huge{rlim_t(1) << 40, RLIM_INFINITY};
            ::setrlimit(RLIMIT_STACK, &huge);
        });
        child.start(QCoreApplication::applicationFilePath(), {u"--no-threads"_s});
        QVERIFY(child.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(err));
        QCOMPARE(err.count(u"sound cues stay silent: no player thread"_s), 1);
    }
#endif
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--on-screen") == 0)
        return CheckCanvasOnScreen();
    if (argc == 2 && qstrcmp(argv[1], "--no-threads") == 0)
        return RunWithoutThreads();
    CanvasTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_canvas.moc"
