// One experiment run end to end: the order of its steps, what it counts and
// shows, how it treats the coin arrays, and what it refuses.

#include "BoardGeometry.h"
#include "BoardImage.h"
#include "BoardRun.h"
#include "Experiment.h"
#include "MMControl.h"
#include "QBColor.h"
#include "TestDoubles.h"

#include <QDir>
#include <QTest>

using experiment::Experiment;
using namespace testing_doubles;

namespace {

// The generator value in the middle of those that give coordinate c.
float UnitFor(int coordinate)
{
    return (static_cast<float>(coordinate) - 40.0f + 0.5f) / 400.0f;
}

struct Rig
{
    explicit Rig(std::vector<float> values)
        : log(MakeLog()), surface(log), sound(std::make_unique<RecordingSoundBackend>(log)),
          random(std::move(values)), run(
                                         surface, sound, random,
                                         [this](QStringView text) {
                                             estimate = text.toString();
                                             log->append(QStringLiteral("Estimate ") + estimate);
                                         },
                                         [this](QStringView text) {
                                             hits = text.toString();
                                             log->append(QStringLiteral("Hits ") + hits);
                                         })
    {}

    int CircleCount() const
    {
        return static_cast<int>(
            std::count_if(surface.calls.begin(), surface.calls.end(), [](const SurfaceCall& c) {
                return c.kind == SurfaceCall::Kind::Circle;
            }));
    }

    EventLog log;
    RecordingSurface surface;
    platform::MMControl sound;
    ScriptedRandom random;
    QString estimate = QStringLiteral("(untouched)");
    QString hits = QStringLiteral("(untouched)");
    Experiment run;
};

} // namespace

class ExperimentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stepsComeInOrder();
    void resultsForScriptedCoins_data();
    void resultsForScriptedCoins();
    void eachSizeThrowsItsCoins_data();
    void eachSizeThrowsItsCoins();
    void labelsChangeOnlyAtTheEnd();
    void twoRunsInARow();
    void entriesAboveNAreLeftAlone();
    void countsOutsideTheArraysAreRefused_data();
    void countsOutsideTheArraysAreRefused();
    void runsAtDifferentTimesDiffer();
};

void ExperimentTest::initTestCase()
{
    // The cue files beside the test program are the ones a run finds.
    QDir::setCurrent(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

void ExperimentTest::stepsComeInOrder()
{
    Rig rig({UnitFor(40)});
    QVERIFY(rig.run.RunExperiment(10));
    const QStringList& log = *rig.log;
    // Cue, wipe, ten grid lines, then the results, estimate first.
    QCOMPARE(log.at(0), QStringLiteral("Stop"));
    QVERIFY(log.at(1).startsWith(QStringLiteral("Start ")));
    QVERIFY(log.at(1).endsWith(QStringLiteral("/pinpon.wav")));
    QCOMPARE(log.at(2), QStringLiteral("Cls"));
    for (int i = 3; i < 13; ++i)
        QCOMPARE(log.at(i), QStringLiteral("Line"));
    QCOMPARE(log.mid(13), QStringList({QStringLiteral("Estimate 4"), QStringLiteral("Hits 10")}));
    // Seeded once, after the grid and before the first coin; two values a coin.
    QCOMPARE(rig.random.seeds.size(), std::size_t{1});
    QCOMPARE(rig.random.taken, 20);
    QCOMPARE(rig.CircleCount(), 10);
}

void ExperimentTest::resultsForScriptedCoins_data()
{
    QTest::addColumn<QList<int>>("coordinates"); // x, y, x, y, ... repeated
    QTest::addColumn<int>("coins");
    QTest::addColumn<QString>("estimate");
    QTest::addColumn<QString>("hits");
    QTest::addColumn<QList<uint>>("colors"); // of the first coins

    const uint blue = qRgb(0, 0, 255);
    const uint red = qRgb(255, 0, 0);
    QTest::newRow("every coin a hit") << QList<int>{40, 40} << 10 << "4"
                                      << "10" << QList<uint>{blue, blue};
    QTest::newRow("no coin a hit") << QList<int>{90, 90} << 10 << "0"
                                   << "0" << QList<uint>{red, red};
    QTest::newRow("4 of 5 alternate")
        << QList<int>{75, 75, 76, 76, 240, 290, 439, 439, 90, 40} << 10 << "3.2"
        << "8" << QList<uint>{blue, red, blue, blue, blue};
    QTest::newRow("1 of 4 at 100, 440 held to 439")
        << QList<int>{440, 440, 90, 90, 90, 91, 139, 190} << 100 << "1"
        << "25" << QList<uint>{blue, red, red, red};
}

void ExperimentTest::resultsForScriptedCoins()
{
    QFETCH(QList<int>, coordinates);
    QFETCH(int, coins);
    QFETCH(QString, estimate);
    QFETCH(QString, hits);
    QFETCH(QList<uint>, colors);

    std::vector<float> values;
    for (const int c : coordinates)
        values.push_back(UnitFor(c));
    Rig rig(values);
    QVERIFY(rig.run.RunExperiment(coins));
    QCOMPARE(rig.estimate, estimate);
    QCOMPARE(rig.hits, hits);

    std::vector<SurfaceCall> circles;
    for (const SurfaceCall& call : rig.surface.calls) {
        if (call.kind == SurfaceCall::Kind::Circle)
            circles.push_back(call);
    }
    for (int i = 0; i < colors.size(); ++i) {
        const SurfaceCall& circle = circles[static_cast<std::size_t>(i)];
        const int pairs = static_cast<int>(coordinates.size() / 2);
        // 440 is beyond the largest coordinate, 439.
        QCOMPARE(circle.a, std::min(439.0f, float(coordinates[(2 * i) % (2 * pairs)])));
        QCOMPARE(circle.b, std::min(439.0f, float(coordinates[(2 * i + 1) % (2 * pairs)])));
        QCOMPARE(circle.color.rgb(), QRgb(colors[i]));
        QCOMPARE(rig.run.CoinX()[static_cast<std::size_t>(i + 1)], circle.a);
        QCOMPARE(rig.run.CoinY()[static_cast<std::size_t>(i + 1)], circle.b);
    }
}

void ExperimentTest::eachSizeThrowsItsCoins_data()
{
    QTest::addColumn<int>("coins");
    for (const int n : {10, 100, 1000, 10000, 50000})
        QTest::addRow("%d coins", n) << n;
}

void ExperimentTest::eachSizeThrowsItsCoins()
{
    QFETCH(int, coins);
    BoardRun rig;
    const Experiment& run = rig.run;
    QVERIFY(rig.run.RunExperiment(coins));
    const QString hits = rig.hits.String();

    int hitCount = 0;
    for (int i = 1; i <= coins; ++i) {
        const auto x = run.CoinX()[static_cast<std::size_t>(i)];
        const auto y = run.CoinY()[static_cast<std::size_t>(i)];
        QVERIFY(x >= 40 && x <= 439 && y >= 40 && y <= 439);
        hitCount += experiment::CoversLatticePoint(x, y) ? 1 : 0;
    }
    QCOMPARE(hits, QString::number(hitCount));
    if (coins == 50000) // about 39,200: past what 16 bits hold
        QVERIFY2(hitCount > 38'500 && hitCount < 39'900, qPrintable(hits));
    QCOMPARE(rig.estimate.String(), experiment::PiEstimateText(4.0 * hitCount / coins));
    QCOMPARE(run.CoinX()[0], std::int16_t{0}); // entry 0 is never used
}

void ExperimentTest::labelsChangeOnlyAtTheEnd()
{
    Rig rig({UnitFor(40), UnitFor(90)});
    int circlesSeen = 0;
    rig.surface.onCircle = [&] {
        ++circlesSeen;
        QCOMPARE(rig.estimate, QStringLiteral("(untouched)"));
        QCOMPARE(rig.hits, QStringLiteral("(untouched)"));
    };
    QVERIFY(rig.run.RunExperiment(100));
    QCOMPARE(circlesSeen, 100);
    QCOMPARE(rig.estimate, QStringLiteral("4")); // (40, 90) is 50 from (40, 40)
}

void ExperimentTest::twoRunsInARow()
{
    Rig rig({UnitFor(40)});
    QVERIFY(rig.run.RunExperiment(1000));
    QCOMPARE(rig.hits, QStringLiteral("1000"));
    rig.surface.calls.clear();
    rig.log->clear();

    // The second run wipes the board first and counts only its own coins.
    rig.random = ScriptedRandom({UnitFor(40), UnitFor(40), UnitFor(90), UnitFor(90)});
    QVERIFY(rig.run.RunExperiment(10));
    QCOMPARE(rig.surface.calls.front().kind, SurfaceCall::Kind::Cls);
    QCOMPARE(rig.CircleCount(), 10);
    QCOMPARE(rig.hits, QStringLiteral("5"));
    QCOMPARE(rig.estimate, QStringLiteral("2"));
    QCOMPARE(rig.log->count(QStringLiteral("Stop")), 1); // the cue starts again
}

void ExperimentTest::entriesAboveNAreLeftAlone()
{
    Rig rig({UnitFor(100), UnitFor(200)});
    QVERIFY(rig.run.RunExperiment(50000));
    rig.random = ScriptedRandom({UnitFor(300), UnitFor(400)});
    QVERIFY(rig.run.RunExperiment(10));
    QCOMPARE(rig.run.CoinX()[10], std::int16_t{300});
    QCOMPARE(rig.run.CoinY()[10], std::int16_t{400});
    QCOMPARE(rig.run.CoinX()[11], std::int16_t{100});
    QCOMPARE(rig.run.CoinY()[11], std::int16_t{200});
    QCOMPARE(rig.run.CoinX()[50000], std::int16_t{100});
}

void ExperimentTest::countsOutsideTheArraysAreRefused_data()
{
    QTest::addColumn<int>("coins");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -10;
    QTest::newRow("one past the arrays") << 50001;
}

void ExperimentTest::countsOutsideTheArraysAreRefused()
{
    QFETCH(int, coins);
    Rig rig({0.5f});
    QVERIFY(!rig.run.RunExperiment(coins));
    QVERIFY(rig.log->isEmpty());
    QVERIFY(rig.surface.calls.empty());
    QCOMPARE(rig.random.taken, 0);
}

void ExperimentTest::runsAtDifferentTimesDiffer()
{
    BoardRun rig;
    Experiment& run = rig.run;
    QVERIFY(run.RunExperiment(100));
    const std::vector<std::int16_t> first(run.CoinX().begin() + 1, run.CoinX().begin() + 101);
    QTest::qSleep(2);
    QVERIFY(run.RunExperiment(100));
    const std::vector<std::int16_t> second(run.CoinX().begin() + 1, run.CoinX().begin() + 101);
    QVERIFY(first != second);
}

QTEST_GUILESS_MAIN(ExperimentTest)
#include "tst_experiment.moc"
