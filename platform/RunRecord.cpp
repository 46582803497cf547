#include "platform/RunRecord.h"

#include <QDateTime>
#include <QDir>
#include <QLoggingCategory>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

Q_LOGGING_CATEGORY(lcRecord, "pi-coins.record", QtWarningMsg)

namespace platform {

// The queue of lines and the thread that writes them. Shared with the
// thread, which may outlive the record when a file blocks at the end.
struct RunRecord::Writer
{
    QString path;
    std::mutex mutex;
    std::condition_variable changed;
    // A run's line before it is formatted: formatting, the local time's
    // offset above all, is left to the record's thread.
    struct Entry
    {
        qint64 msecsSinceEpoch;
        int coinCount;
        int hitCount;
        QString estimate;
        std::uint32_t seed;
    };
    std::deque<Entry> lines;
    bool writing = false;
    bool closing = false;
    bool failed = false; // said once; nothing more is written

    static QByteArray Line(const Entry& run)
    {
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(run.msecsSinceEpoch);
        return QStringLiteral("%1,%2,%3,%4,%5\r\n")
            .arg(time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate))
            .arg(run.coinCount)
            .arg(run.hitCount)
            .arg(run.estimate)
            .arg(run.seed)
            .toUtf8();
    }

    void Write(const Entry& run)
    {
        if (failed)
            return;
        const QByteArray line = Line(run);
        const QString problem = AppendToFile(path, RunRecord::kHeader, line);
        if (!problem.isEmpty()) {
            failed = true;
            qCWarning(lcRecord).noquote()
                << QStringLiteral("pi-coins: runs are no longer recorded in %1: %2")
                       .arg(QDir::toNativeSeparators(path), problem);
        }
    }

    void Run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return closing || !lines.empty(); });
            if (lines.empty())
                return;
            const Entry run = std::move(lines.front());
            lines.pop_front();
            writing = true;
            lock.unlock();
            Write(run);
            lock.lock();
            writing = false;
            changed.notify_all();
        }
    }
};

RunRecord::RunRecord(std::shared_ptr<Writer> writer) : m_writer(std::move(writer)) {}

std::unique_ptr<RunRecord> RunRecord::Open(const QString& path, QString& problem)
{
    problem = AppendToFile(path, {}, {});
    if (!problem.isEmpty())
        return nullptr;
    auto writer = std::make_shared<Writer>();
    writer->path = path;
    std::unique_ptr<RunRecord> record(new RunRecord(writer));
    try {
        std::thread([writer] { writer->Run(); }).detach();
    } catch (const std::system_error&) {
        // No thread: lines are written as runs end, on the caller's thread.
        writer->closing = true;
    }
    return record;
}

RunRecord::~RunRecord()
{
    {
        const std::lock_guard lock(m_writer->mutex);
        m_writer->closing = true;
        m_writer->changed.notify_all();
    }
    WaitWritten(std::chrono::seconds(5));
}

bool RunRecord::WaitWritten(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_writer->mutex);
    return m_writer->changed.wait_for(
        lock, timeout, [this] { return m_writer->lines.empty() && !m_writer->writing; });
}

void RunRecord::Append(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed)
{
    Writer::Entry run{QDateTime::currentMSecsSinceEpoch(), coinCount, hitCount, estimate, seed};
    std::unique_lock lock(m_writer->mutex);
    if (m_writer->closing) { // no writer thread
        m_writer->Write(run);
        return;
    }
    m_writer->lines.push_back(std::move(run));
    if (!m_writer->writing) // a busy writer takes it next without being woken
        m_writer->changed.notify_one();
}

} // namespace platform
