#include "link/PortLines.h"

#include "link/NetworkLines.h"
#include "link/PortMap.h"
#include "link/PortNames.h"
#include "link/Printable.h"
#include "link/SerialPortLine.h"

#include <QTimer>

namespace lnk {

UnreachableLine::UnreachableLine(QString target, LineFault fault, QString detail, QObject* parent)
    : Line(parent), m_target(std::move(target)), m_fault(fault), m_detail(std::move(detail))
{}

void UnreachableLine::open(const LineSettings&)
{
    QTimer::singleShot(0, this, [this] { Q_EMIT openFailed(m_fault, m_detail); });
}

void UnreachableLine::close()
{
    QTimer::singleShot(0, this, [this] { Q_EMIT closed(LineFault::None, {}); });
}

PortLines::PortLines(QString dataDir) : m_dataDir(std::move(dataDir)) {}

PortLines::~PortLines()
{
    delete m_line;
}

Line& PortLines::lineFor(const PortRef& port)
{
    // What the port reaches, decided now: a map entry or link changed since the last exchange
    // counts.
    QString address = port.address;
    QString missing;
    QString mapFault;
    if (port.isNumber()) {
        const PortMap map = loadPortMap(m_dataDir);
        if (!map.usable()) {
            mapFault = map.message();
        } else if (const std::optional<QString> mapped = map.addressOf(port.number)) {
            address = *mapped;
        } else {
            address = portDevice(port.number, m_dataDir);
            if (address.isEmpty()) {
                missing = QStringLiteral("No serial device for port number %1").arg(port.number);
            }
        }
    } else if (address.isEmpty()) {
        missing = QStringLiteral("No port given");
    }
    const bool reachable = missing.isEmpty() && mapFault.isEmpty();
    const PortAddress parsed = reachable ? parsePortAddress(address) : PortAddress{};
    const QString key = !mapFault.isEmpty()  ? QStringLiteral("map:") + mapFault
                        : !missing.isEmpty() ? QStringLiteral("missing:") + port.name()
                        : !parsed.usable()   ? QStringLiteral("invalid:") + address
                        : parsed.network     ? parsed.network->text()
                                             : QStringLiteral("serial:") + parsed.device;
    if (m_line != nullptr && key == m_key) {
        return *m_line;
    }
    // The old line may still be inside its own last signal: it goes from the event loop.
    if (m_line != nullptr) {
        m_line->deleteLater();
    }
    m_key = key;
    if (!mapFault.isEmpty()) {
        m_line = new UnreachableLine(port.name(), LineFault::AddressInvalid, mapFault);
    } else if (!missing.isEmpty()) {
        m_line = new UnreachableLine(port.name(), LineFault::PortMissing, missing);
    } else if (!parsed.usable()) {
        const QString where =
            port.isNumber() ? QStringLiteral("%1 in %2: ").arg(port.name(), portMapPath(m_dataDir))
                            : QString();
        m_line = new UnreachableLine(printable(address), LineFault::AddressInvalid,
                                     printable(where + parsed.error));
    } else if (parsed.network) {
        m_line = createNetworkLine(*parsed.network);
    } else {
        m_line = new SerialPortLine(parsed.device);
    }
    return *m_line;
}

} // namespace lnk
