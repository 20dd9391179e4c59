#include "link/NetworkFaults.h"

#include "link/Printable.h"

namespace lnk {

LineFault connectFault(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::NetworkError:
        return LineFault::PortMissing;
    case QAbstractSocket::SocketTimeoutError:
        return LineFault::ConnectTimeout;
    default:
        break;
    }
    return LineFault::OpenRefused;
}

HangUp hangUpDuringOpen(const QString& target, const QByteArray& serverWords)
{
    const QString words = printable(QString::fromLatin1(serverWords).trimmed());
    if (words.isEmpty()) {
        return {LineFault::PortBusy,
                QStringLiteral("%1 closed the connection during open").arg(target)};
    }
    const bool busy = words.contains(QLatin1String("in use"), Qt::CaseInsensitive);
    return {busy ? LineFault::PortBusy : LineFault::OpenRefused,
            QStringLiteral("%1 closed the connection during open: \"%2\"").arg(target, words)};
}

} // namespace lnk
