#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>

namespace platform {

// Appends `line` to the file at `path`, creating it, and first `header`
// when the file is an empty regular file; both under a lock that other
// writers of the file take too, in one write each, so that lines of two
// programs recording at once never mix. An empty `line` only checks that
// the file can be appended to. Returns the reason it failed, or nothing.
// Does not wait for a reader: a pipe that nobody reads cannot be opened.
QString AppendToFile(const QString& path, const QByteArray& header, const QByteArray& line);

// A record of runs: one CSV line a run (RFC 4180, UTF-8, a header line when
// the file is new or empty), appended to a file and flushed as the run
// ends. Lines are written on the record's own thread, in order, so that the
// window never waits on the file; a record that can no longer be written is
// said once, and the program goes on without it.
class RunRecord final
{
public:
    static constexpr char kHeader[] = "time,coins,hits,estimate,seed\r\n";

    // The record in `path`, if it can be appended to; else nothing, and the
    // reason in `problem`.
    static std::unique_ptr<RunRecord> Open(const QString& path, QString& problem);

    // Writes what is still queued, waiting a few seconds at most for a
    // file that does not take it.
    ~RunRecord();
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // Queues the line of a run that has just ended, stamped with the local
    // time and the offset from UTC.
    void Append(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed);

    // Waits until every queued line is written, `timeout` at the most;
    // whether they all were.
    bool WaitWritten(std::chrono::milliseconds timeout);

private:
    struct Writer;
    explicit RunRecord(std::shared_ptr<Writer> writer);
    std::shared_ptr<Writer> m_writer;
};

} // namespace platform
