#pragma once

#include <QList>
#include <QString>

#include <optional>

// Every port number that reaches something, as an exchange resolves it (its ports.ini entry,
// its ports/COM<n> link, the system's port), then the system's devices no number reaches,
// which can still be named by their path; and whether ports.ini can be used at all. Texts
// from files are shown with control characters escaped, ready for a screen or a terminal.
namespace lnk {

enum class PortRowKind
{
    Map,    // a ports.ini entry
    Link,   // a ports/COM<n> link
    System, // a serial device the system reports
};

// "map", "link", "system"
QString portRowKindName(PortRowKind kind);

struct PortRow
{
    std::optional<int> number; // the number that reaches it; nothing for a device no number does
    PortRowKind kind = PortRowKind::System;
    QString reaches;    // the address, the device the link resolves to (else its target), the path
    QString linkPath;   // links: the link itself
    QString target;     // links: what the link points to, as written in it
    QString problem;    // why it reaches nothing: a map entry's address error
    bool stale = false; // links: a simulator's link whose simulator no longer runs
    bool missing = false; // links: the target is not there
    QString description;  // system devices: what the system says of it (description, maker)
};

struct PortListing
{
    QString mapPath;
    QString mapError; // ports.ini is there but cannot be used; then every number fails
    QList<PortRow> rows;

    bool mapUsable() const { return mapError.isEmpty(); }
};

PortListing listPorts(const QString& dataDir);

} // namespace lnk
