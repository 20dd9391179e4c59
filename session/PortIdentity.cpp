#include "session/PortIdentity.h"

#include "link/NetworkAddress.h"
#include "link/PortMap.h"
#include "link/PortNames.h"
#include "session/PortText.h"

#include <QDir>
#include <QFileInfo>

namespace session {
namespace {

QString hostIdentity(const QString& host)
{
    const QString h = host.toLower();
    if (h == QLatin1String("localhost") || h == QLatin1String("127.0.0.1") ||
        h == QLatin1String("::1")) {
        return QStringLiteral("loopback");
    }
    return h;
}

// A device by the file it ends at: links followed, so an adapter's ports/ link and its own path
// are one device.
QString deviceIdentity(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return QStringLiteral("device:") +
           (canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical);
}

} // namespace

QString portIdentity(const lnk::PortRef& port, const QString& dataDir)
{
    if (port.isNumber()) {
        if (const std::optional<QString> mapped = lnk::mappedAddress(port.number, dataDir)) {
            const PortParse parsed = parsePort(*mapped);
            return parsed.error.isEmpty() && !parsed.port.isNumber()
                       ? portIdentity(parsed.port, dataDir)
                       : QStringLiteral("mapped:") + *mapped;
        }
        const QString device = lnk::portDevice(port.number, dataDir);
        return device.isEmpty() ? QStringLiteral("port:") + port.name() : deviceIdentity(device);
    }
    const lnk::PortAddress address = lnk::parsePortAddress(port.address);
    if (address.network) {
        // The scheme only says how to talk to the server: one server port is one processor.
        return QStringLiteral("net:%1:%2")
            .arg(hostIdentity(address.network->host))
            .arg(address.network->port);
    }
    return deviceIdentity(address.usable() ? address.device : port.address);
}

QString portIdentity(const QString& portText, const QString& dataDir)
{
    const PortParse parsed = parsePort(portText);
    return parsed.error.isEmpty() ? portIdentity(parsed.port, dataDir)
                                  : QStringLiteral("text:") + portText;
}

} // namespace session
