#include "cli/PortListing.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace cli {
namespace {

QString portName(const std::optional<int>& number)
{
    return number ? QStringLiteral("COM%1").arg(*number) : QStringLiteral("-");
}

QString description(const lnk::PortRow& r)
{
    switch (r.kind) {
    case lnk::PortRowKind::Map:
        return r.problem.isEmpty() ? QString() : QStringLiteral("unusable: ") + r.problem;
    case lnk::PortRowKind::Link: {
        const QString text = QStringLiteral("ports/COM%1").arg(r.number.value_or(0));
        if (r.stale) {
            return text + QStringLiteral(", stale: the simulator that made it no longer runs");
        }
        if (r.missing) {
            return text + QStringLiteral(", missing: %1 is not there").arg(r.target);
        }
        return text;
    }
    case lnk::PortRowKind::System:
        break;
    }
    return r.description;
}

QString jsonLine(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
           QLatin1Char('\n');
}

} // namespace

QString textListing(const lnk::PortListing& listing)
{
    QString text;
    if (!listing.mapUsable()) {
        text += QStringLiteral("ports.ini: unusable (%1)\n").arg(listing.mapError);
    }
    qsizetype reachesWidth = 0;
    for (const lnk::PortRow& r : listing.rows) {
        reachesWidth = std::max(reachesWidth, r.reaches.size());
    }
    for (const lnk::PortRow& r : listing.rows) {
        QString line = QStringLiteral("%1 %2 %3 %4")
                           .arg(portName(r.number), -6)
                           .arg(lnk::portRowKindName(r.kind), -6)
                           .arg(r.reaches, -int(reachesWidth))
                           .arg(description(r));
        text += line.trimmed() + QLatin1Char('\n');
    }
    return text;
}

QString jsonListing(const lnk::PortListing& listing)
{
    QString text;
    if (!listing.mapUsable()) {
        text += jsonLine({{QStringLiteral("file"), listing.mapPath},
                          {QStringLiteral("error"), listing.mapError}});
    }
    for (const lnk::PortRow& r : listing.rows) {
        text += jsonLine({
            {QStringLiteral("number"), r.number ? QJsonValue(*r.number) : QJsonValue()},
            {QStringLiteral("port"), portName(r.number)},
            {QStringLiteral("kind"), lnk::portRowKindName(r.kind)},
            {QStringLiteral("reaches"), r.reaches},
            {QStringLiteral("description"), description(r)},
        });
    }
    return text;
}

} // namespace cli
