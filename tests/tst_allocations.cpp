// A run allocates nothing per coin and nothing per run once the board and
// the coin arrays exist: every heap allocation in this process is counted
// by replacing malloc and its relatives for the test program.

#include "BoardRun.h"
#include "Experiment.h"
#include "MMControl.h"
#include "Sanitizers.h"
#include "TestDoubles.h"

#include <QDir>
#include <QTest>

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<long> g_allocations{0};
}

#ifndef PI_COINS_SANITIZED
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    *out = __libc_memalign(alignment, size);
    return *out != nullptr ? 0 : ENOMEM;
}
void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(alignment, size);
}
}
#endif

using experiment::Experiment;
using namespace testing_doubles;

class AllocationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void counterSeesAllocations();
    void throwingCoinsAllocatesNothing_data();
    void throwingCoinsAllocatesNothing();
    void wholeRunCostsTheSameForEverySize();
};

void AllocationTest::initTestCase()
{
#ifdef PI_COINS_SANITIZED
    QSKIP("a sanitizer owns malloc in this build");
#endif
    QDir::setCurrent(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

void AllocationTest::counterSeesAllocations()
{
    // Allocations made inside Qt, which the compiler cannot see through.
    const long before = g_allocations.load();
    const QString text = QString::number(123456789);
    const QByteArray bytes(1000, 'x');
    QVERIFY(g_allocations.load() - before >= 2);
    QCOMPARE(text.size() + bytes.size(), 1009);
}

void AllocationTest::throwingCoinsAllocatesNothing_data()
{
    QTest::addColumn<int>("coins");
    QTest::addColumn<qreal>("ratio");
    for (const int n : {10, 1000, 50000}) {
        QTest::addRow("%d coins at 1x", n) << n << qreal(1);
        QTest::addRow("%d coins at 2x", n) << n << qreal(2);
    }
}

void AllocationTest::throwingCoinsAllocatesNothing()
{
    QFETCH(int, coins);
    QFETCH(qreal, ratio);
    BoardRun rig(ratio);
    Experiment& run = rig.run;
    QVERIFY(run.ThrowCoins(10)); // the first run makes the coin outline once

    const long before = g_allocations.load();
    QVERIFY(run.ThrowCoins(coins));
    QVERIFY(run.ThrowCoins(coins));
    QCOMPARE(g_allocations.load() - before, 0L);
    QVERIFY(rig.estimate.size > 0 && rig.hits.size > 0);
}

void AllocationTest::wholeRunCostsTheSameForEverySize()
{
    // With its cue the run looks up and checks a file; that cost must not
    // grow with the number of coins.
    BoardRun rig;
    Experiment& run = rig.run;
    QVERIFY(run.RunExperiment(10));
    rig.log->reserve(100);

    long costs[2] = {};
    int index = 0;
    for (const int coins : {10, 50000}) {
        const long before = g_allocations.load();
        QVERIFY(run.RunExperiment(coins));
        costs[index++] = g_allocations.load() - before;
    }
    QCOMPARE(costs[1], costs[0]);
    QVERIFY2(costs[0] < 100, qPrintable(QString::number(costs[0])));
}

QTEST_GUILESS_MAIN(AllocationTest)
#include "tst_allocations.moc"
