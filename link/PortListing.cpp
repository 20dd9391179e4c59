#include "link/PortListing.h"

#include "link/PortMap.h"
#include "link/PortNames.h"
#include "link/Printable.h"

#include <QStringList>

#include <map>

namespace lnk {

QString portRowKindName(PortRowKind kind)
{
    switch (kind) {
    case PortRowKind::Map:
        return QStringLiteral("map");
    case PortRowKind::Link:
        return QStringLiteral("link");
    case PortRowKind::System:
        break;
    }
    return QStringLiteral("system");
}

PortListing listPorts(const QString& dataDir)
{
    PortListing listing;
    const PortMap map = loadPortMap(dataDir);
    listing.mapPath = printable(map.path);
    listing.mapError = printable(map.error);
    // The first that names a number wins, in the order an exchange looks.
    std::map<int, PortRow> byNumber;
    for (const PortMapEntry& e : map.entries) {
        PortRow row;
        row.number = e.portNo;
        row.kind = PortRowKind::Map;
        row.reaches = printable(e.address);
        row.problem = printable(parsePortAddress(e.address).error);
        byNumber.emplace(e.portNo, row);
    }
    for (const PortLink& l : portLinks(dataDir)) {
        PortRow row;
        row.number = l.portNo;
        row.kind = PortRowKind::Link;
        row.reaches = printable(l.device.isEmpty() ? l.target : l.device);
        row.linkPath = printable(l.linkPath);
        row.target = printable(l.target);
        row.stale = l.stale;
        row.missing = l.device.isEmpty();
        byNumber.emplace(l.portNo, row);
    }
    QList<PortRow> unnumbered;
    for (const SystemPort& p : systemPorts(dataDir)) {
        QStringList words;
        for (const QString& w : {p.description, p.manufacturer}) {
            if (!w.isEmpty()) {
                words << w;
            }
        }
        PortRow row;
        row.number = p.portNo;
        row.reaches = printable(p.location.isEmpty() ? p.name : p.location);
        row.description = printable(words.join(QStringLiteral(", ")));
        // A device whose number a map entry took is still there under its path.
        const bool numbered = p.portNo && (!byNumber.emplace(*p.portNo, row).second
                                               ? byNumber.at(*p.portNo).reaches == row.reaches
                                               : true);
        if (!numbered) {
            row.number.reset();
            unnumbered.append(row);
        }
    }
    for (const auto& [number, row] : byNumber) {
        listing.rows.append(row);
    }
    listing.rows += unnumbered;
    return listing;
}

} // namespace lnk
