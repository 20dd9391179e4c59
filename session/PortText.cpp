#include "session/PortText.h"

#include "link/PortMap.h"
#include "link/PortNames.h"

#include <QRegularExpression>

namespace session {

PortParse parsePort(const QString& text)
{
    PortParse parsed;
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    const QString t = text.trimmed();
    if (number.match(t).hasMatch()) {
        bool ok = false;
        const int n = t.toInt(&ok);
        if (!ok || n > lnk::kMaxPortNo) {
            parsed.error =
                QStringLiteral("port number %1 is not 0 to %2").arg(t).arg(lnk::kMaxPortNo);
        } else {
            parsed.port = {n, {}};
        }
        return parsed;
    }
    const lnk::PortAddress address = lnk::parsePortAddress(t);
    if (!address.usable()) {
        parsed.error = address.error;
        return parsed;
    }
    parsed.port = {-1, address.network ? address.network->text() : address.device};
    return parsed;
}

QString portText(const lnk::PortRef& port)
{
    return port.isNumber() ? QString::number(port.number) : port.address;
}

QString failureText(const lnk::ExchangeResult& r)
{
    // Said in words of their own: the exchange did not fail as a line fails, and the panel's
    // message ("wrong connection or wrong firmware") would send the operator the wrong way.
    if (r.status == lnk::ExchangeStatus::LineNotQuiet) {
        return QStringLiteral("line not quiet (%1 bytes in %2 s)")
            .arg(r.dropped.size())
            .arg(std::chrono::duration<double>(lnk::kQuietLimit).count());
    }
    if (r.status == lnk::ExchangeStatus::ReplyRefused && r.exactLength &&
        r.replyCount > lnk::kDayReplySize) {
        return QStringLiteral("reply too long (%1 bytes)").arg(r.replyCount);
    }
    QString why;
    if (r.status == lnk::ExchangeStatus::ReplyRefused) {
        why = r.replyCount > 0 ? QStringLiteral("reply of %1 bytes refused").arg(r.replyCount)
                               : QStringLiteral("no reply");
    } else {
        why = lnk::faultName(r.fault);
        if (!r.detail.isEmpty()) {
            why += QStringLiteral(": ") + QString(r.detail).replace(QLatin1Char('\n'), ' ');
        }
    }
    return QStringLiteral("%1 (%2)").arg(lnk::failureMessage(r.kind, r.command).trimmed(), why);
}

} // namespace session
