// The board geometry, the coin test, the estimate and the order of a run.

#include "Doubles.h"
#include "experiment/Experiment.h"

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
    void estimateText_data()
    {
        QTest::addColumn<int>("hits");
        QTest::addColumn<int>("coins");
        QTest::addColumn<QString>("text"); // 4 h / N, exact, without trailing zeros
        QTest::newRow("8/10") << 8 << 10 << u"3.2"_s;
        QTest::newRow("10/10") << 10 << 10 << u"4"_s;
        QTest::newRow("39271/50000") << 39271 << 50000 << u"3.14168"_s;
        QTest::newRow("1/50000") << 1 << 50000 << u"0.00008"_s;
    }
    void estimateText()
    {
        QFETCH(int, hits);
        QFETCH(int, coins);
        QFETCH(QString, text);
        QCOMPARE(experiment::PiEstimateText(experiment::PiEstimate(hits, coins)), text);
    }
    void runDoesEverythingInOrder()
    {
        Log log;
        LoggingSurface canvas(log);
        LoggingSound cue(log);
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
        LoggingSound cue(log);
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
