#include "fleet/SitePlace.h"

#include "link/NetworkAddress.h"
#include "session/PortText.h"

#include <QDir>
#include <QSysInfo>

namespace fleet {

Place placeHere(const QString& dataDir)
{
    return {QSysInfo::machineHostName(),
            dataDir.isEmpty() ? QString() : QDir::cleanPath(QDir(dataDir).absolutePath())};
}

QString Owner::text() const
{
    return folder.isEmpty() ? host : QStringLiteral("%1:%2").arg(host, folder);
}

bool mayShareProcessor(const Owner& a, const Owner& b)
{
    return a.host.compare(b.host, Qt::CaseInsensitive) == 0 &&
           (a.folder.isEmpty() || b.folder.isEmpty() || a.folder == b.folder);
}

Owner ownerOf(const QString& port, const Place& place)
{
    const session::PortParse parsed = session::parsePort(port);
    if (!parsed.error.isEmpty() || place.host.isEmpty()) {
        return {};
    }
    if (parsed.port.isNumber()) {
        return {place.host, place.dataDir};
    }
    if (lnk::hasNetworkScheme(parsed.port.address)) {
        return {};
    }
    return {place.host, {}};
}

QString notLocalHere(const QString& port, const Owner& owner, const Place& place)
{
    if (owner.isEmpty() || place.host.isEmpty()) {
        return {};
    }
    if (owner.host.compare(place.host, Qt::CaseInsensitive) == 0 &&
        (owner.folder.isEmpty() || owner.folder == place.dataDir)) {
        return {};
    }
    return QStringLiteral("port %1 is local to %2").arg(port, owner.text());
}

QString skippedText(const Owner& owner)
{
    return QStringLiteral("skipped (local to %1)").arg(owner.host);
}

} // namespace fleet
