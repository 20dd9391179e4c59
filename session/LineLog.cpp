#include "session/LineLog.h"

#include "link/ByteMeaning.h"

#include <QFile>

namespace session {
namespace {

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
    if (!r.ok() && !r.detail.isEmpty()) {
        line += QStringLiteral(" why: ") + QString(r.detail).replace(QLatin1Char('\n'), ' ');
    }
    return line;
}

LineLog::LineLog(QString path, QObject* parent) : QObject(parent), m_path(std::move(path)) {}

void LineLog::append(const lnk::ExchangeResult& result)
{
    m_exchanges.push_back(result);
    while (m_exchanges.size() > kExchangesKept) {
        m_exchanges.pop_front();
    }
    write(logLine(result).toUtf8() + '\n');
    Q_EMIT appended(result);
}

void LineLog::write(const QByteArray& line)
{
    if (m_path.isEmpty()) {
        return;
    }
    QFile file(m_path);
    if (file.exists() && file.size() + line.size() > kLineLogLimit) {
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() ||
        !file.flush()) {
        m_lastWriteError = file.errorString();
        return;
    }
    m_lastWriteError.clear();
}

} // namespace session
