#include "session/LineLog.h"
#include "storage/GroupShare.h"

#include "link/ByteMeaning.h"
#include "session/LogFile.h"

#include <QDir>
#include <QLockFile>
#include <QMutex>
#include <QSet>

#include <cstdio>
#include <optional>

namespace session {
namespace {

// Once per log and process: a log that is not a file stays so, and one line per exchange on
// standard error would bury everything else there.
void reportNotRegularOnce(const QString& path)
{
    static QMutex mutex;
    static QSet<QString> reported;
    const QMutexLocker locker(&mutex);
    if (reported.contains(path)) {
        return;
    }
    reported.insert(path);
    const QString text = QStringLiteral("%1 is not a regular file: the exchanges are not logged "
                                        "to it\n")
                             .arg(QDir::toNativeSeparators(path));
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

QString token(QString words)
{
    return words.replace(QLatin1Char(' '), QLatin1Char('-'));
}

} // namespace

QString outcomeText(const lnk::ExchangeResult& r)
{
    switch (r.status) {
    case lnk::ExchangeStatus::Done:
        return QStringLiteral("done");
    case lnk::ExchangeStatus::OpenFailed:
        return QStringLiteral("open-failed:") + token(lnk::faultName(r.fault));
    case lnk::ExchangeStatus::LineFailed:
        return QStringLiteral("line-failed:") + token(lnk::faultName(r.fault));
    case lnk::ExchangeStatus::ReplyRefused:
        return QStringLiteral("reply-refused:%1-bytes").arg(std::max(r.replyCount, 0));
    case lnk::ExchangeStatus::LineNotQuiet:
        return QStringLiteral("line-not-quiet:%1-bytes").arg(r.dropped.size());
    }
    return {};
}

QString logLine(const lnk::ExchangeResult& r)
{
    QString line =
        QStringLiteral("%1 %2 %3 %4 out: %5 in: %6")
            .arg(r.startedAt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")),
                 r.port.isEmpty() ? QStringLiteral("-") : r.port, lnk::kindName(r.kind, r.command),
                 outcomeText(r), lnk::hexBytes(r.sent), lnk::hexBytes(r.received));
    if (!r.dropped.isEmpty()) {
        // What came before the request was not an answer to it: kept apart from the reply.
        line += QStringLiteral(" dropped: ") + lnk::hexBytes(r.dropped);
    }
    if (!r.ok() && !r.detail.isEmpty()) {
        line += QStringLiteral(" why: ") + QString(r.detail).replace(QLatin1Char('\n'), ' ');
    }
    return line;
}

LineLog::LineLog(QString path, QObject* parent) : QObject(parent), m_path(std::move(path)) {}

void LineLog::append(const lnk::ExchangeResult& result)
{
    write(logLine(result).toUtf8() + '\n');
    show(result);
}

void LineLog::show(const lnk::ExchangeResult& result)
{
    m_exchanges.push_back(result);
    while (m_exchanges.size() > kExchangesKept) {
        m_exchanges.pop_front();
    }
    Q_EMIT appended(result);
}

void LineLog::write(const QByteArray& line)
{
    if (m_path.isEmpty()) {
        return;
    }
    std::optional<LogFile> file(std::in_place, m_path);
    if (file->state() == LogFile::State::Open && file->size() + line.size() > kLineLogLimit &&
        rotate(line.size())) {
        file.emplace(m_path);
    }
    switch (file->state()) {
    case LogFile::State::NotRegular:
        m_lastWriteError = QStringLiteral("not a regular file");
        reportNotRegularOnce(m_path);
        return;
    case LogFile::State::Failed:
        m_lastWriteError = file->error();
        return;
    case LogFile::State::Open:
        break;
    }
    if (!file->append(line)) {
        m_lastWriteError = file->error();
        return;
    }
    m_lastWriteError.clear();
}

bool LineLog::rotate(qint64 lineSize)
{
    // The panel and a scheduled tool may share the log: one rotates at a time, and one that
    // finds the other rotating writes on and rotates later, so neither deletes the older
    // file the other just made.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(0)) {
        return false;
    }
    storage::shareWithGroup(m_path + QStringLiteral(".lock"));
    {
        // The other may have rotated just before the lock was free.
        const LogFile current(m_path);
        if (current.state() != LogFile::State::Open || current.size() + lineSize <= kLineLogLimit) {
            return true;
        }
    }
    return LogFile::rotate(m_path, m_path + QStringLiteral(".1"));
}

} // namespace session
