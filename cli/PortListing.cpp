#include "cli/PortListing.h"

#include "link/PortMap.h"
#include "link/PortNames.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>

namespace cli {
namespace {

QString portName(const std::optional<int>& number)
{
    return number ? QStringLiteral("COM%1").arg(*number) : QStringLiteral("-");
}

QString linkDescription(const lnk::PortLink& l)
{
    QString text = QStringLiteral("ports/COM%1").arg(l.portNo);
    if (l.stale) {
        return text + QStringLiteral(", stale: the simulator that made it no longer runs");
    }
    if (l.device.isEmpty()) {
        return text + QStringLiteral(", missing: %1 is not there").arg(l.target);
    }
    return text;
}

} // namespace

QList<PortListingRow> listPorts(const QString& dataDir)
{
    // The first that names a number wins, in the order the panel looks.
    std::map<int, PortListingRow> byNumber;
    for (const lnk::PortMapEntry& e : lnk::readPortMap(dataDir)) {
        const lnk::PortAddress parsed = lnk::parsePortAddress(e.address);
        byNumber.emplace(e.portNo, PortListingRow{e.portNo, QStringLiteral("map"), e.address,
                                                  parsed.usable() ? QString()
                                                                  : QStringLiteral("unusable: ") +
                                                                        parsed.error});
    }
    for (const lnk::PortLink& l : lnk::portLinks(dataDir)) {
        byNumber.emplace(l.portNo, PortListingRow{l.portNo, QStringLiteral("link"),
                                                  l.device.isEmpty() ? l.target : l.device,
                                                  linkDescription(l)});
    }
    QList<PortListingRow> unnumbered;
    for (const lnk::SystemPort& p : lnk::systemPorts(dataDir)) {
        QStringList words;
        for (const QString& w : {p.description, p.manufacturer}) {
            if (!w.isEmpty()) {
                words << w;
            }
        }
        PortListingRow row{p.portNo, QStringLiteral("system"), p.location, words.join(", ")};
        // A device whose number a map entry took is still there under its path.
        const bool numbered = p.portNo && (!byNumber.emplace(*p.portNo, row).second
                                               ? byNumber.at(*p.portNo).reaches == p.location
                                               : true);
        if (!numbered) {
            row.number.reset();
            unnumbered.append(row);
        }
    }
    QList<PortListingRow> rows;
    for (const auto& [number, row] : byNumber) {
        rows.append(row);
    }
    return rows + unnumbered;
}

QString textListing(const QList<PortListingRow>& rows)
{
    qsizetype reachesWidth = 0;
    for (const PortListingRow& r : rows) {
        reachesWidth = std::max(reachesWidth, r.reaches.size());
    }
    QString text;
    for (const PortListingRow& r : rows) {
        QString line = QStringLiteral("%1 %2 %3 %4")
                           .arg(portName(r.number), -6)
                           .arg(r.kind, -6)
                           .arg(r.reaches, -int(reachesWidth))
                           .arg(r.description);
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

QString jsonListing(const QList<PortListingRow>& rows)
{
    QString text;
    for (const PortListingRow& r : rows) {
        const QJsonObject object{
            {QStringLiteral("number"), r.number ? QJsonValue(*r.number) : QJsonValue()},
            {QStringLiteral("port"), portName(r.number)},
            {QStringLiteral("kind"), r.kind},
            {QStringLiteral("reaches"), r.reaches},
            {QStringLiteral("description"), r.description},
        };
        text += QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
                QLatin1Char('\n');
    }
    return text;
}

} // namespace cli
