#pragma once

#include <QString>

// Where a site's port means something. A port number (with its ports.ini entry and ports/ link)
// means one processor only on one machine and in one data folder; a device path only on one
// machine; a network address anywhere. A shared store keeps that owner with each site, so a
// desk never reads its own processor into another desk's site.
namespace fleet {

// Where this program runs: the machine and the data folder port numbers resolve in.
struct Place
{
    QString host;
    QString dataDir;
};

// This machine, with that data folder (made absolute and clean).
Place placeHere(const QString& dataDir);

// Whom a site's port belongs to; empty for a network address (and for a local port stored before
// owners were kept, until a desk claims it).
struct Owner
{
    QString host;
    QString folder; // port numbers only

    bool isEmpty() const { return host.isEmpty(); }
    // "HOST:DATADIR" for a number, "HOST" for a device path, empty for none.
    QString text() const;
    bool operator==(const Owner&) const = default;
};

// Whether two owners' ports may reach one processor: one machine, and one data folder unless
// one of them is a device path (a number there may lead to that device).
bool mayShareProcessor(const Owner& a, const Owner& b);

// The owner a port (as the store keeps it) has when it is added at place.
Owner ownerOf(const QString& port, const Place& place);

// Whether place may reach a site with that port and owner: "port 3 is local to HOST:DATADIR",
// or empty when it may.
QString notLocalHere(const QString& port, const Owner& owner, const Place& place);

// What a run that was not asked for the site by name says: "skipped (local to HOST)".
QString skippedText(const Owner& owner);

} // namespace fleet
