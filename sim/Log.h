#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

// The simulator's event log: one line per event, "hh:mm:ss.zzz text". Kept in memory for
// the in-process API and written, flushed line by line, to a stream if one is set.
// Safe to use from any thread.
namespace sim {

class Log
{
public:
    Log() = default;
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Writes to an open stream (not owned), e.g. stdout.
    void setStream(FILE* stream);
    // Writes to a new file, replacing an earlier one; false when it cannot be created.
    bool openFile(const QString& path, QString* error);

    void write(const QString& text);

    // Lines written so far; the oldest are forgotten beyond kKeptLines.
    QStringList lines() const;
    // How many lines were ever written: a mark for waitFor.
    int count() const;
    // Waits until a line written after `from` (a count()) contains the fragment.
    bool waitFor(const QString& fragment, int from, std::chrono::milliseconds timeout) const;

    static constexpr int kKeptLines = 10000;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_written;
    std::deque<QString> m_lines;
    int m_forgotten = 0;
    FILE* m_stream = nullptr;
    bool m_ownStream = false;
};

} // namespace sim
