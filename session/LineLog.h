#pragma once

#include "link/Exchange.h"

#include <QObject>
#include <QString>

#include <deque>

// Every exchange of the run, for the line monitor, and one line each in line.log in the data
// folder:
//   2026-12-08T14:03:11.250 COM1 day-send done out: 7E 01 FF ... in:
// A failed exchange says how ("open-failed:port-missing"), and why at the end ("why: ...").
// The file is rotated at 1 MiB, one older file kept as line.log.1; rotation happens under the
// lock file line.log.lock and is skipped while another program holds it. A log that cannot be
// written never fails an exchange, and the log is written only when it is a regular file:
// anything else there (a FIFO, a device, a folder, a link) is said once on standard error.
namespace session {

inline constexpr qint64 kLineLogLimit = 1024 * 1024;
inline constexpr std::size_t kExchangesKept = 2000;

// "done", "open-failed:port-missing", "line-failed:device-gone", "reply-refused:41-bytes".
QString outcomeText(const lnk::ExchangeResult& result);
// The whole log line, without its line end.
QString logLine(const lnk::ExchangeResult& result);

class LineLog : public QObject
{
    Q_OBJECT

public:
    explicit LineLog(QString path, QObject* parent = nullptr);

    QString path() const { return m_path; }
    void append(const lnk::ExchangeResult& result);
    // Shows an exchange logged to the file by another channel (a backup the panel started on its
    // own port), without writing it a second time.
    void show(const lnk::ExchangeResult& result);

    // The exchanges since start, oldest first, at most kExchangesKept.
    const std::deque<lnk::ExchangeResult>& exchanges() const { return m_exchanges; }
    // The last failure to write the file, empty when the last write went through.
    QString lastWriteError() const { return m_lastWriteError; }

Q_SIGNALS:
    void appended(const lnk::ExchangeResult& result);

private:
    void write(const QByteArray& line);
    // True when the log may be opened again: rotated, or found rotated by another program.
    bool rotate(qint64 lineSize);

    QString m_path;
    std::deque<lnk::ExchangeResult> m_exchanges;
    QString m_lastWriteError;
};

} // namespace session
