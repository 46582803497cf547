// Board geometry, the coin test, coordinates from generator values and the
// text form of the estimate.

#include "BoardGeometry.h"
#include "TestDoubles.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace experiment;
using testing_doubles::RecordingSurface;
using testing_doubles::SurfaceCall;

namespace {

// The coin test as plainly as it can be said: try the 25 lattice points in
// their row-by-row order, in double precision, and stop at the first one in
// reach. The program's own test must decide exactly the same.
bool CoversByScan(int x, int y)
{
    for (const LatticePoint& p : LatticePoints) {
        const double dx = x - p.x;
        const double dy = y - p.y;
        if (dx * dx + dy * dy <= CoverLimit)
            return true;
    }
    return false;
}

} // namespace

class GeometryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coversLatticePoint_data();
    void coversLatticePoint();
    void coverTestAgreesWithTheScanEverywhere();
    void coinCoordinate_data();
    void coinCoordinate();
    void piEstimateText_data();
    void piEstimateText();
    void piEstimateOfNoCoinsIsNotANumber();
    void gridIsTenBlackLinesInOrder();
    void coinIsDrawnWithRadiusAspectAndColour_data();
    void coinIsDrawnWithRadiusAspectAndColour();
};

void GeometryTest::coversLatticePoint_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("covered");

    QTest::newRow("on the first point") << 40 << 40 << true;
    QTest::newRow("on the centre point") << 240 << 240 << true;
    QTest::newRow("exactly 50 from two points") << 90 << 40 << true;
    QTest::newRow("exactly 50 straight down") << 240 << 290 << true;
    QTest::newRow("30-40-50 triangle") << 270 << 280 << true;
    QTest::newRow("squared distance 2450") << 75 << 75 << true;
    QTest::newRow("squared distance 2592") << 76 << 76 << false;
    QTest::newRow("squared distance 2501") << 90 << 41 << false;
    QTest::newRow("cell centre") << 90 << 90 << false;
    QTest::newRow("last point reached last") << 439 << 439 << true;
    QTest::newRow("smallest corner") << 40 << 439 << true;
    QTest::newRow("middle of an edge cell") << 439 << 390 << false;
    QTest::newRow("border strip left of the lattice") << 0 << 40 << true;
    QTest::newRow("far outside the board") << -32768 << 32767 << false;
}

void GeometryTest::coversLatticePoint()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(bool, covered);
    QCOMPARE(CoversLatticePoint(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)),
             covered);
    QCOMPARE(CoversByScan(x, y), covered);
}

void GeometryTest::coverTestAgreesWithTheScanEverywhere()
{
    int covered = 0;
    for (int x = MinCoinCoordinate; x <= MaxCoinCoordinate; ++x) {
        for (int y = MinCoinCoordinate; y <= MaxCoinCoordinate; ++y) {
            const bool fast =
                CoversLatticePoint(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
            if (fast != CoversByScan(x, y))
                QFAIL(qPrintable(QStringLiteral("disagreement at (%1, %2)").arg(x).arg(y)));
            covered += fast ? 1 : 0;
        }
    }
    QCOMPARE(covered, 125'488);
    // Also just outside the coin range, where the nearest point is clamped.
    for (int x = -300; x < 800; x += 7) {
        for (int y = -300; y < 800; y += 11) {
            QCOMPARE(CoversLatticePoint(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)),
                     CoversByScan(x, y));
        }
    }
}

void GeometryTest::coinCoordinate_data()
{
    QTest::addColumn<float>("u");
    QTest::addColumn<int>("coordinate");

    const float largestBelowOne = std::nextafter(1.0f, 0.0f);
    QTest::newRow("zero") << 0.0f << 40;
    QTest::newRow("smallest step") << 0x1p-24f << 40;
    QTest::newRow("1/256 reaches the second value") << 0x1p-8f << 41;
    QTest::newRow("0.0025f lies just below 1/400") << 0.0025f << 40;
    QTest::newRow("floor, not nearest") << 0x1.fp-3f << 136;
    QTest::newRow("half") << 0.5f << 240;
    QTest::newRow("largest below one") << largestBelowOne << 439;
    QTest::newRow("one, held to the range") << 1.0f << 439;
    QTest::newRow("negative, held to the range") << -0.5f << 40;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 40;
}

void GeometryTest::coinCoordinate()
{
    QFETCH(float, u);
    QFETCH(int, coordinate);
    QCOMPARE(int{CoinCoordinateFromUnit(u)}, coordinate);
}

void GeometryTest::piEstimateText_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("coins");
    QTest::addColumn<QString>("text");

    QTest::newRow("8 of 10") << 8 << 10 << QStringLiteral("3.2");
    QTest::newRow("all of 10") << 10 << 10 << QStringLiteral("4");
    QTest::newRow("2 of 10") << 2 << 10 << QStringLiteral("0.8");
    QTest::newRow("none") << 0 << 10 << QStringLiteral("0");
    QTest::newRow("7854 of 10000") << 7854 << 10000 << QStringLiteral("3.1416");
    QTest::newRow("39271 of 50000") << 39271 << 50000 << QStringLiteral("3.14168");
    QTest::newRow("1 of 50000") << 1 << 50000 << QStringLiteral("0.00008");
    QTest::newRow("79 of 100") << 79 << 100 << QStringLiteral("3.16");
    QTest::newRow("785 of 1000") << 785 << 1000 << QStringLiteral("3.14");
    QTest::newRow("49999 of 50000") << 49999 << 50000 << QStringLiteral("3.99992");
    QTest::newRow("1 of 3, fifteen digits") << 1 << 3 << QStringLiteral("1.33333333333333");
    QTest::newRow("25 of 1, no point") << 25 << 1 << QStringLiteral("100");
    QTest::newRow("negative") << -1 << 8 << QStringLiteral("-0.5");
}

void GeometryTest::piEstimateText()
{
    QFETCH(int, hits);
    QFETCH(int, coins);
    QFETCH(QString, text);
    QCOMPARE(PiEstimateText(PiEstimate(hits, coins)), text);
}

void GeometryTest::piEstimateOfNoCoinsIsNotANumber()
{
    QVERIFY(std::isnan(PiEstimate(5, 0)));
    QCOMPARE(PiEstimateText(PiEstimate(5, 0)), QString());
    QCOMPARE(PiEstimateText(std::numeric_limits<double>::infinity()), QString());
    QCOMPARE(PiEstimateText(1e300), QString());
}

void GeometryTest::gridIsTenBlackLinesInOrder()
{
    RecordingSurface surface;
    DrawBoardGrid(surface);
    QCOMPARE(surface.calls.size(), std::size_t{10});
    for (int k = 0; k < 10; ++k) {
        const SurfaceCall& call = surface.calls[static_cast<std::size_t>(k)];
        const float at = static_cast<float>(40 + 100 * (k % 5));
        QCOMPARE(call.kind, SurfaceCall::Kind::Line);
        QCOMPARE(call.color, QColor(0, 0, 0));
        if (k < 5) { // horizontal, top to bottom
            QCOMPARE(call.a, 0.0f);
            QCOMPARE(call.b, at);
            QCOMPARE(call.c, 480.0f);
            QCOMPARE(call.d, at);
        } else { // vertical, left to right
            QCOMPARE(call.a, at);
            QCOMPARE(call.b, 0.0f);
            QCOMPARE(call.c, at);
            QCOMPARE(call.d, 480.0f);
        }
    }
}

void GeometryTest::coinIsDrawnWithRadiusAspectAndColour_data()
{
    QTest::addColumn<bool>("covered");
    QTest::addColumn<QColor>("color");
    QTest::newRow("hit") << true << QColor(0, 0, 255);
    QTest::newRow("miss") << false << QColor(255, 0, 0);
}

void GeometryTest::coinIsDrawnWithRadiusAspectAndColour()
{
    QFETCH(bool, covered);
    QFETCH(QColor, color);
    RecordingSurface surface;
    DrawCoin(surface, 123, 321, covered);
    QCOMPARE(surface.calls.size(), std::size_t{1});
    const SurfaceCall& call = surface.calls.front();
    QCOMPARE(call.kind, SurfaceCall::Kind::Circle);
    QCOMPARE(call.a, 123.0f);
    QCOMPARE(call.b, 321.0f);
    QCOMPARE(call.c, 50.0f);
    QCOMPARE(call.d, 0.85f);
    QCOMPARE(call.color, color);
}

QTEST_GUILESS_MAIN(GeometryTest)
#include "tst_geometry.moc"
