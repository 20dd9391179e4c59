#pragma once

#include "link/NetworkAddress.h"

#include <QList>
#include <QString>

#include <optional>

// The port map: ports.ini in the data folder gives a panel port number an address of its own,
// in Qt's INI format:
//   [ports]
//   COM3=rfc2217://192.0.2.10:4001
//   COM4=/dev/ttyUSB0
// Port n is, in this order: its ports.ini entry, its ports/COM<n> link, the system's port.
// A ports.ini that is there but cannot be used (too large, not a regular file, unreadable, not
// INI) stops every port number: an entry in it may name the port, and guessing another device
// could send the bytes to the wrong processor.
// The program writes the file only when the operator saves an address for a number.
namespace lnk {

// What an address names: a serial device, or a port on a network serial server.
struct PortAddress
{
    QString device;                        // a device path ("/dev/ttyUSB0", "COM3")
    std::optional<NetworkAddress> network; // set for tcp:// and rfc2217://
    QString error;                         // what is wrong, quoting the address; empty when usable

    bool usable() const { return error.isEmpty(); }
};

// A device path must be absolute ("COM<n>" on Windows); a network address must parse.
PortAddress parsePortAddress(const QString& text);

struct PortMapEntry
{
    int portNo = 0;
    QString address; // as written in the file
};

struct PortMap
{
    QString path;
    bool exists = false;
    QString error; // why the file cannot be used; empty when it can (or is not there)
    QList<PortMapEntry> entries;

    bool usable() const { return error.isEmpty(); }
    // "<path>: <reason>", control characters shown as \xNN.
    QString message() const;
    std::optional<QString> addressOf(int portNo) const;
};

QString portMapPath(const QString& dataDir);
// The file, read once with a bounded reader that never waits on what is at the path.
PortMap loadPortMap(const QString& dataDir);
// The entries of the file, by number; nothing when the file is missing or unusable.
QList<PortMapEntry> readPortMap(const QString& dataDir);
std::optional<QString> mappedAddress(int portNo, const QString& dataDir);

// Sets (or, for an empty address, removes) the entry of one number, keeping the others and
// the rest of the file. The address is checked first; the error text, when it is refused,
// when the file is there but unusable, or when it cannot be written.
std::optional<QString> writePortMapEntry(const QString& dataDir, int portNo,
                                         const QString& address);

} // namespace lnk
