// The board geometry, the coin test, the estimate and the order of a run.

#include "Doubles.h"
#include "experiment/Experiment.h"

#include <QTest>

#include <atomic>
#include <cmath>
#include <new>

// Every allocation counted. Kept out of line, so that the compiler pairs
// a delete with its new, not the free inside with the new outside.
static std::atomic<long> g_allocations{0};

[[gnu::noinline]] void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept
{
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

class ExperimentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coinCoordinate_data()
    {
        QTest::addColumn<float>("u");
        QTest::addColumn<int>("coordinate");
        QTest::newRow("floor, not nearest, low") << 0.00249f << 40;
        QTest::newRow("middle") << 0.5f << 240;
        QTest::newRow("floor, not nearest, high") << 0.999f << 439;
        QTest::newRow("guard: 1") << 1.0f << 439;
        QTest::newRow("guard: NaN") << std::nanf("") << 40;
    }
    void coinCoordinate()
    {
        QFETCH(float, u);
        QFETCH(int, coordinate);
        QCOMPARE(experiment::CoinCoordinateFromUnit(u), coordinate);
    }
    void coverTestCountsEveryCentreWithinReachOfALatticePoint()
    {
        int covered = 0; // of the 160,000 possible centres
        for (int x = 40; x <= 439; ++x) {
            for (int y = 40; y <= 439; ++y)
                covered += experiment::CoversLatticePoint(std::int16_t(x), std::int16_t(y));
        }
        QCOMPARE(covered, 125'488);
    }
    void estimateTextIsExactForEveryRunResult()
    {
        // 4 h / N is m / 100000 exactly, for every run size N dividing 100000:
        // 8/10 is "3.2", 10/10 "4", 39271/50000 "3.14168", 1/50000 "0.00008".
        for (const int coins : {10, 100, 1000, 10000, 50000}) {
            for (int hits = 0; hits <= coins; ++hits) {
                const qint64 m = 4LL * hits * (100000 / coins);
                QString exact = u"%1.%2"_s.arg(m / 100000).arg(m % 100000, 5, 10, QChar(u'0'));
                while (exact.endsWith(u'0'))
                    exact.chop(1);
                exact.chop(exact.endsWith(u'.') ? 1 : 0);
                const QString text =
                    experiment::PiEstimateText(experiment::PiEstimate(hits, coins));
                if (text != exact)
                    QFAIL(qPrintable(u"%1/%2: %3, not %4"_s.arg(hits).arg(coins).arg(text, exact)));
            }
        }
    }
    void generatorGivesFractionsOf2To24AndUnrelatedStreamsForNearbySeeds()
    {
        platform::RandomGenerator a, b;
        a.Randomize(43200.0), b.Randomize(43200.001); // a millisecond apart
        double sum = 0, same = 0;
        for (int i = 0; i < 10000; ++i) {
            const float u = a.Rnd();
            QVERIFY(u >= 0 && u < 1 && u * 0x1p24f == std::floor(u * 0x1p24f));
            sum += u, same += u == b.Rnd();
        }
        QVERIFY(std::abs(sum / 10000 - 0.5) < 0.02 && same < 10);
    }
    void runDoesEverythingInOrder()
    {
        Log log;
        LoggingSurface canvas(log);
        LoggingCueControl cue(log);
        // Coin 1 at (40, 240) on a lattice point; coin 2 at (90, 90), a cell centre.
        ScriptedRandom random(log, {0.0f, 0.5f, 0.125f, 0.125f});
        experiment::Experiment run(canvas, cue, random);
        QObject::connect(&run, &experiment::Experiment::Finished,
                         [&](int coins, int hits, const QString& estimate) {
                             log << u"Finished %1 %2 %3"_s.arg(coins).arg(hits).arg(estimate);
                         });
        log << u"Before"_s;
        QVERIFY(run.RunExperiment(2));
        const QString grid = u"Line 0,40 480,40|Line 0,140 480,140|Line 0,240 480,240|"
                             "Line 0,340 480,340|Line 0,440 480,440|Line 40,0 40,480|"
                             "Line 140,0 140,480|Line 240,0 240,480|Line 340,0 340,480|"
                             "Line 440,0 440,480|"_s.replace(u"|"_s, u" #000000|"_s);
        QCOMPARE(log, (u"Before|Stop|Close|FileName pinpon.wav|Open|Sound|Cls|"_s + grid +
                       u"Seed|Circle 40,240 r50 #0000ff a0.85|Circle 90,90 r50 #ff0000 a0.85|"
                       "Finished 2 1 2"_s)
                          .split(u'|'));
        QCOMPARE(QPoint(run.CoinX()[1], run.CoinY()[1]), QPoint(40, 240));
        // Sizes the coin arrays cannot hold are refused, touching nothing.
        log.clear();
        for (const int coins : {0, -10, 50001})
            QVERIFY(!run.RunExperiment(coins));
        QCOMPARE(log, QStringList());
    }
    void runAllocationsDoNotGrowWithItsSize()
    {
        platform::BoardImage board(QSize(523, 435));
        Log log;
        LoggingCueControl cue(log);
        platform::RandomGenerator random;
        experiment::Experiment run(board, cue, random);
        const auto runAndShow = [&](int coins) {
            log.clear();
            const long before = g_allocations;
            run.RunExperiment(coins);
            board.Image();
            return g_allocations - before;
        };
        runAndShow(50000); // the outline cache, the record's capacity, the render worker
        QCOMPARE(runAndShow(50000), runAndShow(10));
        // However often the window is activated after a run, the grid drawn
        // over itself again records and renders nothing.
        runAndShow(50000);
        experiment::DrawBoardGrid(board);
        board.Image();
        const long settled = g_allocations;
        for (int i = 0; i < 1000; ++i) {
            experiment::DrawBoardGrid(board);
            board.Image();
        }
        QCOMPARE(g_allocations - settled, 0);
        // Runs a moment apart are seeded apart, to the fraction of a second.
        const std::vector<std::int16_t> first(run.CoinX().begin(), run.CoinX().begin() + 11);
        runAndShow(10);
        QVERIFY(!std::equal(first.begin(), first.end(), run.CoinX().begin()));
    }
};

QTEST_GUILESS_MAIN(ExperimentTest)
#include "tst_experiment.moc"
