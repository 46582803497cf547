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
    std::deque<QByteArray> lines;
    bool writing = false;
    bool closing = false;
    bool failed = false; // said once; nothing more is written

    void Write(const QByteArray& line)
    {
        if (failed)
            return;
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
            const QByteArray line = std::move(lines.front());
            lines.pop_front();
            writing = true;
            lock.unlock();
            Write(line);
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
    std::unique_lock lock(m_writer->mutex);
    m_writer->closing = true;
    m_writer->changed.notify_all();
    m_writer->changed.wait_for(lock, std::chrono::seconds(5),
                               [this] { return m_writer->lines.empty() && !m_writer->writing; });
}

QString RunRecord::Path() const
{
    return m_writer->path;
}

void RunRecord::Append(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = QStringLiteral("%1,%2,%3,%4,%5\r\n")
                                .arg(now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate))
                                .arg(coinCount)
                                .arg(hitCount)
                                .arg(estimate)
                                .arg(seed)
                                .toUtf8();
    std::unique_lock lock(m_writer->mutex);
    if (m_writer->closing) { // no writer thread
        m_writer->Write(line);
        return;
    }
    m_writer->lines.push_back(line);
    m_writer->changed.notify_all();
}

} // namespace platform
