// The random generator layer: the range of Rnd, seeding, the time of day.

#include "Random.h"

#include <QTest>

#include <cmath>
#include <set>

using platform::RandomGenerator;

class RandomTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesStayBelowOne_data();
    void valuesStayBelowOne();
    void nearbySeedsGiveUnrelatedStreams_data();
    void nearbySeedsGiveUnrelatedStreams();
    void coordinatesAreEvenlySpread();
    void timerIsTimeOfDayWithFraction();
};

void RandomTest::valuesStayBelowOne_data()
{
    QTest::addColumn<double>("seed");
    QTest::newRow("midnight") << 0.0;
    QTest::newRow("noon") << 43200.0;
    QTest::newRow("last instant of the day") << 86399.999999;
    QTest::newRow("negative zero") << -0.0;
}

void RandomTest::valuesStayBelowOne()
{
    QFETCH(double, seed);
    RandomGenerator random;
    random.Randomize(seed);
    float smallest = 1.0f;
    float largest = 0.0f;
    for (int i = 0; i < 1'000'000; ++i) {
        const float u = random.Rnd();
        QVERIFY(u >= 0.0f && u < 1.0f);
        // Every value is a whole multiple of 2^-24, exactly representable.
        QCOMPARE(std::ldexp(u, 24), std::floor(std::ldexp(u, 24)));
        smallest = std::min(smallest, u);
        largest = std::max(largest, u);
    }
    QVERIFY(smallest < 1e-5f);
    QVERIFY(largest > 1.0f - 1e-5f);
    // The largest possible value is the largest float below one.
    QCOMPARE(static_cast<float>((1u << 24) - 1) * 0x1p-24f, std::nextafter(1.0f, 0.0f));
}

void RandomTest::nearbySeedsGiveUnrelatedStreams_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::newRow("a millisecond apart") << 45296.789 << 45296.790;
    QTest::newRow("a microsecond apart") << 45296.789001 << 45296.789002;
    QTest::newRow("one bit apart") << 45296.789 << std::nextafter(45296.789, 1e9);
}

void RandomTest::nearbySeedsGiveUnrelatedStreams()
{
    QFETCH(double, first);
    QFETCH(double, second);
    RandomGenerator a;
    RandomGenerator b;
    a.Randomize(first);
    b.Randomize(second);
    int equal = 0;
    for (int i = 0; i < 1000; ++i)
        equal += a.Rnd() == b.Rnd() ? 1 : 0;
    QVERIFY2(equal < 5, qPrintable(QString::number(equal)));
}

void RandomTest::coordinatesAreEvenlySpread()
{
    // 400 buckets of 1000 expected values each: a chi-square far above
    // its 399 degrees of freedom would mean a biased generator.
    RandomGenerator random;
    random.Randomize(777.0);
    std::vector<int> counts(400, 0);
    for (int i = 0; i < 400'000; ++i)
        ++counts[static_cast<std::size_t>(random.Rnd() * 400.0f)];
    double chiSquare = 0;
    for (const int count : counts)
        chiSquare += (count - 1000.0) * (count - 1000.0) / 1000.0;
    QVERIFY2(chiSquare < 520, qPrintable(QString::number(chiSquare)));
}

void RandomTest::timerIsTimeOfDayWithFraction()
{
    std::set<double> seen;
    for (int i = 0; i < 50; ++i) {
        const double now = platform::Timer();
        QVERIFY(now >= 0.0 && now < 86401.0);
        seen.insert(now);
        QTest::qSleep(1);
    }
    // A millisecond apart, the readings differ.
    QVERIFY(seen.size() >= 45);
}

QTEST_GUILESS_MAIN(RandomTest)
#include "tst_random.moc"
