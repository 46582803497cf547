// The board geometry, the coin test, the estimate and the order of a run.

#include "Doubles.h"
#include "experiment/BoardGeometry.h"
#include "experiment/Experiment.h"
#include "platform/BoardImage.h"

#include <QTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

static std::atomic<long> g_allocations{0};

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

class SilentCue final : public platform::CueControl
{
    void SetFileName(const QString&) override {}
    void SetCommand(const QString&) override {}
};

} // namespace

class ExperimentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coinCoordinate_data();
    void coinCoordinate();
    void coverTestMatchesTheOrderedScan();
    void coverTestEdges_data();
    void coverTestEdges();
    void estimateText_data();
    void estimateText();
    void estimateTextIsExactForEveryRunResult();
    void runDoesEverythingInOrder();
    void runSizesTheArraysCannotHoldAreRefused();
    void shorterRunLeavesTheRestOfTheArrays();
    void runAllocationsDoNotGrowWithItsSize();
};

void ExperimentTest::coinCoordinate_data()
{
    QTest::addColumn<float>("u");
    QTest::addColumn<int>("coordinate");
    QTest::newRow("0") << 0.0f << 40;
    QTest::newRow("floor, not nearest, low") << 0.00249f << 40;
    QTest::newRow("one step") << 0.0025001f << 41;
    QTest::newRow("middle") << 0.5f << 240;
    QTest::newRow("floor, not nearest, high") << 0.999f << 439;
    QTest::newRow("largest below 1") << std::nextafter(1.0f, 0.0f) << 439;
    QTest::newRow("guard: 1") << 1.0f << 439;
    QTest::newRow("guard: negative") << -0.5f << 40;
    QTest::newRow("guard: NaN") << std::nanf("") << 40;
}

void ExperimentTest::coinCoordinate()
{
    QFETCH(float, u);
    QFETCH(int, coordinate);
    QCOMPARE(experiment::CoinCoordinateFromUnit(u), coordinate);
}

void ExperimentTest::coverTestMatchesTheOrderedScan()
{
    int covered = 0;
    for (int x = 40; x <= 439; ++x) {
        for (int y = 40; y <= 439; ++y) {
            bool scan = false;
            for (int py = 40; py <= 440 && !scan; py += 100) {
                for (int px = 40; px <= 440 && !scan; px += 100)
                    scan = (x - px) * (x - px) + (y - py) * (y - py) <= 2500;
            }
            const bool test = experiment::CoversLatticePoint(std::int16_t(x), std::int16_t(y));
            if (test != scan)
                QFAIL(qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            covered += test;
        }
    }
    QCOMPARE(covered, 125'488);
}

void ExperimentTest::coverTestEdges_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("covered");
    QTest::newRow("on a point") << 240 << 240 << true;
    QTest::newRow("exactly 50 from two points") << 90 << 40 << true;
    QTest::newRow("2450") << 75 << 75 << true;
    QTest::newRow("2592") << 76 << 76 << false;
    QTest::newRow("cell centre") << 90 << 90 << false;
    QTest::newRow("last point") << 439 << 439 << true;
}

void ExperimentTest::coverTestEdges()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(bool, covered);
    QCOMPARE(experiment::CoversLatticePoint(std::int16_t(x), std::int16_t(y)), covered);
}

void ExperimentTest::estimateText_data()
{
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("coins");
    QTest::addColumn<QString>("text");
    QTest::newRow("3.2") << 8 << 10 << QStringLiteral("3.2");
    QTest::newRow("whole") << 10 << 10 << QStringLiteral("4");
    QTest::newRow("zero") << 0 << 10 << QStringLiteral("0");
    QTest::newRow("below 1") << 2 << 10 << QStringLiteral("0.8");
    QTest::newRow("four decimals") << 7854 << 10000 << QStringLiteral("3.1416");
    QTest::newRow("five decimals") << 39271 << 50000 << QStringLiteral("3.14168");
    QTest::newRow("smallest") << 1 << 50000 << QStringLiteral("0.00008");
}

void ExperimentTest::estimateText()
{
    QFETCH(int, hits);
    QFETCH(int, coins);
    QFETCH(QString, text);
    QCOMPARE(experiment::PiEstimateText(experiment::PiEstimate(hits, coins)), text);
}

void ExperimentTest::estimateTextIsExactForEveryRunResult()
{
    // 4 h / N is m / 100000 exactly, for every run size N dividing 100000.
    for (const int coins : {10, 100, 1000, 10000, 50000}) {
        for (int hits = 0; hits <= coins; ++hits) {
            const qint64 m = 4LL * hits * (100000 / coins);
            QString exact = QString::number(m / 100000);
            QString fraction = QString::number(m % 100000).rightJustified(5, QLatin1Char('0'));
            while (fraction.endsWith(QLatin1Char('0')))
                fraction.chop(1);
            if (!fraction.isEmpty())
                exact += QLatin1Char('.') + fraction;
            const QString text = experiment::PiEstimateText(experiment::PiEstimate(hits, coins));
            if (text != exact)
                QFAIL(qPrintable(
                    QStringLiteral("%1/%2: %3, not %4").arg(hits).arg(coins).arg(text, exact)));
        }
    }
}

void ExperimentTest::runDoesEverythingInOrder()
{
    Log log;
    LoggingSurface canvas(log);
    LoggingCueControl cue(log);
    // Coin 1 at (40, 240) on a lattice point; coin 2 at (90, 90), a cell centre.
    ScriptedRandom random(log, {0.0f, 0.5f, 0.125f, 0.125f});
    experiment::Experiment run(
        canvas, cue, random, [&](const QString& text) { log << QStringLiteral("Label2 ") + text; },
        [&](const QString& text) { log << QStringLiteral("Label4 ") + text; });
    log << QStringLiteral("Label4 unchanged");
    QVERIFY(run.RunExperiment(2));
    const QString grid = QStringLiteral("Line 0,40 480,40|Line 0,140 480,140|Line 0,240 480,240|"
                                        "Line 0,340 480,340|Line 0,440 480,440|Line 40,0 40,480|"
                                        "Line 140,0 140,480|Line 240,0 240,480|Line 340,0 340,480|"
                                        "Line 440,0 440,480|")
                             .replace(QStringLiteral("|"), QStringLiteral(" #000000|"));
    const QStringList expected =
        (QStringLiteral("Label4 unchanged|Stop|Close|FileName pinpon.wav|Open|Sound|Cls|") + grid +
         QStringLiteral("Seed|Circle 40,240 r50 #0000ff a0.85|Circle 90,90 r50 #ff0000 a0.85|"
                        "Label2 2|Label4 1"))
            .split(QLatin1Char('|'));
    QCOMPARE(log, expected);
    QCOMPARE(run.CoinX()[1], 40);
    QCOMPARE(run.CoinY()[1], 240);
}

void ExperimentTest::runSizesTheArraysCannotHoldAreRefused()
{
    Log log;
    LoggingSurface canvas(log);
    LoggingCueControl cue(log);
    ScriptedRandom random(log, {0.5f});
    const auto text = [&](const QString&) { log << QStringLiteral("text"); };
    experiment::Experiment run(canvas, cue, random, text, text);
    for (const int coins : {0, -10, 50001})
        QVERIFY(!run.RunExperiment(coins));
    QCOMPARE(log, QStringList());
}

void ExperimentTest::shorterRunLeavesTheRestOfTheArrays()
{
    Log log;
    LoggingSurface canvas(log);
    SilentCue cue;
    ScriptedRandom random(log, {0.5f, 0.25f, 0.75f, 0.0f});
    experiment::Experiment run(
        canvas, cue, random, [](const QString&) {}, [](const QString&) {});
    run.RunExperiment(3); // (240, 140) (340, 40) (240, 140)
    run.RunExperiment(1);
    QCOMPARE(run.CoinX()[2], 340);
    QCOMPARE(run.CoinY()[2], 40);
    QCOMPARE(run.CoinY()[3], 140);
    QCOMPARE(run.CoinX()[0], 0);
}

void ExperimentTest::runAllocationsDoNotGrowWithItsSize()
{
    platform::BoardImage board(QSize(523, 435));
    SilentCue cue;
    platform::RandomGenerator random;
    experiment::Experiment run(
        board, cue, random, [](const QString&) {}, [](const QString&) {});
    run.RunExperiment(10); // the outline cache and the record's capacity
    long counts[2] = {};
    for (const int coins : {10, 50000}) {
        const long before = g_allocations;
        run.RunExperiment(coins);
        counts[coins == 10 ? 0 : 1] = g_allocations - before;
    }
    QCOMPARE(counts[1], counts[0]);
}

QTEST_GUILESS_MAIN(ExperimentTest)
#include "tst_experiment.moc"
