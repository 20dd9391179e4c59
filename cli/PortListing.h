#pragma once

#include <QList>
#include <QString>

#include <optional>

// The ports command: every port number that reaches something, as the panel resolves it (its
// ports.ini entry, its ports/COM<n> link, the system's port), then the system's devices no
// number reaches, which can still be named by their path.
namespace cli {

struct PortListingRow
{
    std::optional<int> number;
    QString kind;        // "map", "link" or "system"
    QString reaches;     // the address, the device the link resolves to, the device path
    QString description; // what the system says, or why the entry reaches nothing
};

QList<PortListingRow> listPorts(const QString& dataDir);

// "COM1  link    /dev/pts/4  ports/COM1"
QString textListing(const QList<PortListingRow>& rows);
// One JSON object a line: number, port, kind, reaches, description.
QString jsonListing(const QList<PortListingRow>& rows);

} // namespace cli
