// The board canvas: pixels identical to QPainter's at any density, the
// mapping of board units, and a long run drawn where no thread can start.

#include "Doubles.h"

#include <QApplication>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

namespace {

constexpr QSize kArea{523, 435};

// In a child process where no thread can start: the window works, draws a
// long run on its own thread, and its cues are silent.
int RunWithoutThreads()
{
    window::Form1 form; // the system's own player
    form.show();
    form.findChild<QPushButton*>(u"Command4"_s)->click(); // long enough for two render threads
    const QImage board = form.findChild<platform::BoardCanvas*>(u"Picture1"_s)->Board().Image();
    return board.copy(0, 218, 523, 217).allGray() ? 3 : 0; // coins in the lower half too
}

// In a child process on a screen of the given scale: the canvas's grid as
// shown, the size of its drawing area and the thickness of a grid line, in
// device pixels.
int ShowScaled()
{
    platform::BoardCanvas canvas;
    canvas.resize(527, 439);
    experiment::DrawBoardGrid(canvas);
    canvas.show();
    if (!QTest::qWaitForWindowExposed(&canvas))
        return 3;
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int column = shown.width() * 90 / 527; // between the first two vertical lines
    int thickness = 0;
    for (int y = 0; y < shown.height() * 100 / 439; ++y)
        thickness += shown.pixel(column, y) == 0xff000000;
    const QSize area = canvas.Board().Image().size();
    std::printf("%d %d %d", area.width(), area.height(), thickness);
    return 0;
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
        ExpectedBoard expected(ratio);
        experiment::DrawBoardGrid(board);
        expected.Grid();
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
            expected.Coin(c.x(), c.y(), covered);
        }
        board.Image();
        board.Resize(kArea * ratio, ratio);
        QCOMPARE(board.Image(), expected.image);
    }
    void renderedAtTheScreensDensity_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("pen"); // the pen's width, rounded to whole device pixels
        QTest::newRow("1x") << 1.0 << 1;
        QTest::newRow("150 %") << 1.5 << 2;
        QTest::newRow("2x") << 2.0 << 2;
        QTest::newRow("3x") << 3.0 << 3;
    }
    void renderedAtTheScreensDensity()
    {
        QFETCH(double, scale);
        QFETCH(int, pen);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_SCALE_FACTOR"_s, QString::number(scale));
        env.insert(u"WINEQT_SCALE_FACTOR"_s, QString::number(scale));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--show-scaled"_s});
        QVERIFY(child.waitForFinished(30000) && child.exitCode() == 0);
        const QStringList shown = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        QCOMPARE(shown.size(), 3);
        // The area's 523 x 435 pixels at the scale, give or take the rounding of its edges.
        QVERIFY2(qAbs(shown[0].toInt() - 523 * scale) <= 1 &&
                     qAbs(shown[1].toInt() - 435 * scale) <= 1,
                 qPrintable(shown.join(u' ')));
        QCOMPARE(shown[2].toInt(), pen);
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
    if (argc == 2 && qstrcmp(argv[1], "--no-threads") == 0)
        return RunWithoutThreads();
    if (argc == 2 && qstrcmp(argv[1], "--show-scaled") == 0)
        return ShowScaled();
    CanvasTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_canvas.moc"
