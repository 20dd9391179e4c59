#include "link/PortLines.h"

#include "link/PortNames.h"
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
    QString device = port.address;
    QString missing;
    if (port.isNumber()) {
        device = portDevice(port.number, m_dataDir);
        if (device.isEmpty()) {
            missing = QStringLiteral("No serial device for port number %1").arg(port.number);
        }
    } else if (device.isEmpty()) {
        missing = QStringLiteral("No port given");
    }
    const QString key = missing.isEmpty() ? QStringLiteral("serial:") + device
                                          : QStringLiteral("none:") + port.name();
    if (m_line != nullptr && key == m_key) {
        return *m_line;
    }
    // The old line may still be inside its own last signal: it goes from the event loop.
    if (m_line != nullptr) {
        m_line->deleteLater();
    }
    m_key = key;
    if (!missing.isEmpty()) {
        m_line = new UnreachableLine(port.name(), LineFault::PortMissing, missing);
    } else {
        m_line = new SerialPortLine(device);
    }
    return *m_line;
}

} // namespace lnk
