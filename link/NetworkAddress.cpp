#include "link/NetworkAddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace lnk {
namespace {

const QString kSeparator = QStringLiteral("://");

ParsedAddress refuse(const QString& text, const QString& why)
{
    return {std::nullopt,
            QStringLiteral("\"%1\" is not a usable network address: %2").arg(text, why)};
}

bool isHostName(const QString& host)
{
    static const QRegularExpression label(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    if (host.size() > 253) {
        return false;
    }
    const QStringList labels = host.split(QLatin1Char('.'));
    for (const QString& l : labels) {
        if (!label.match(l).hasMatch()) {
            return false;
        }
    }
    return true;
}

} // namespace

QString NetworkAddress::text() const
{
    const QString name =
        scheme == NetworkScheme::Tcp ? QStringLiteral("tcp") : QStringLiteral("rfc2217");
    const bool ipv6 = host.contains(QLatin1Char(':'));
    return QStringLiteral("%1://%2:%3")
        .arg(name, ipv6 ? QStringLiteral("[%1]").arg(host) : host)
        .arg(port);
}

bool hasNetworkScheme(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^\\s*[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

ParsedAddress parseNetworkAddress(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype sep = t.indexOf(kSeparator);
    if (sep < 0) {
        return refuse(text, QStringLiteral("write tcp://HOST:PORT or rfc2217://HOST:PORT"));
    }
    NetworkAddress a;
    const QString scheme = t.left(sep).toLower();
    if (scheme == QLatin1String("tcp")) {
        a.scheme = NetworkScheme::Tcp;
    } else if (scheme == QLatin1String("rfc2217")) {
        a.scheme = NetworkScheme::Rfc2217;
    } else {
        return refuse(text,
                      QStringLiteral("unknown scheme \"%1\" (tcp or rfc2217)").arg(t.left(sep)));
    }

    const QString rest = t.mid(sep + kSeparator.size());
    QString host;
    QString portText;
    bool bracketed = false;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0) {
            return refuse(text, QStringLiteral("the IPv6 address has no closing bracket"));
        }
        host = rest.mid(1, close - 1);
        bracketed = true;
        const QString after = rest.mid(close + 1);
        if (!after.startsWith(QLatin1Char(':'))) {
            return refuse(text, QStringLiteral("no port after the host"));
        }
        portText = after.mid(1);
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        if (colon < 0) {
            return refuse(text, QStringLiteral("no port after the host"));
        }
        host = rest.left(colon);
        portText = rest.mid(colon + 1);
        if (host.contains(QLatin1Char(':'))) {
            return refuse(text, QStringLiteral("an IPv6 address goes in brackets: [ADDRESS]"));
        }
    }

    if (host.isEmpty()) {
        return refuse(text, QStringLiteral("no host"));
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (portText.isEmpty()) {
        return refuse(text, QStringLiteral("no port after the host"));
    }
    if (!digits.match(portText).hasMatch()) {
        return refuse(text,
                      QStringLiteral("port \"%1\" is not a number from 1 to 65535").arg(portText));
    }
    const int port = portText.toInt();
    if (port < 1 || port > 65535) {
        return refuse(text, QStringLiteral("port %1 is outside 1 to 65535").arg(portText));
    }
    a.port = quint16(port);

    static const QRegularExpression dotted(QStringLiteral("^[0-9.]+$"));
    QHostAddress ip;
    if (bracketed) {
        if (!ip.setAddress(host) || ip.protocol() != QAbstractSocket::IPv6Protocol) {
            return refuse(text, QStringLiteral("\"%1\" is not an IPv6 address").arg(host));
        }
        a.host = ip.toString();
    } else if (dotted.match(host).hasMatch()) {
        if (host.count(QLatin1Char('.')) != 3 || !ip.setAddress(host) ||
            ip.protocol() != QAbstractSocket::IPv4Protocol) {
            return refuse(text, QStringLiteral("\"%1\" is not an IPv4 address").arg(host));
        }
        a.host = ip.toString();
    } else if (isHostName(host)) {
        a.host = host.toLower();
    } else {
        return refuse(text, QStringLiteral("\"%1\" is not a host name").arg(host));
    }
    return {a, {}};
}

} // namespace lnk
