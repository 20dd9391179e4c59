#pragma once

#include <QList>
#include <QString>

#include <optional>

// What a port number reaches. 1 is the first serial port of the system: COM1 on Windows,
// /dev/ttyS0 elsewhere. On Linux and macOS the program directory may hold ports/COM<n>,
// a symbolic link to any serial device (a USB adapter, a TCP serial bridge's pseudo-terminal,
// the simulator), which then takes the place of the system's port <n>.
namespace lnk {

// The largest port number the panel, its settings file and the tool accept (0..255).
inline constexpr int kMaxPortNo = 255;

// <programDir>/ports/COM<n>
QString portLinkPath(int portNo, const QString& programDir);

// The name to open for a port number: "COM<n>" on Windows, elsewhere the real path of the
// device (links resolved: the serial layer wants the device itself). Empty when no device can
// be named for the number (0, a ports/ link whose target is gone, or a stale simulator link:
// its simulator no longer runs, so its device number may belong to another program now).
QString portDevice(int portNo, const QString& programDir);

struct PortLink
{
    int portNo = 0;
    QString linkPath;   // <programDir>/ports/COM<n>
    QString target;     // what the link points to, as written in it
    QString device;     // the resolved device, empty when the target is missing
    bool stale = false; // a simulator's link whose simulator no longer runs: reaches nothing
};

// The ports/COM<n> entries of the program directory, by number.
QList<PortLink> portLinks(const QString& programDir);

// The number that reaches a device, if any: a ports/ link to it, or its system number when no
// link takes that number.
std::optional<int> portNumberOf(const QString& systemLocation, const QString& programDir);

struct SystemPort
{
    QString name;         // as the system calls it: COM3, ttyUSB0
    QString location;     // full device path
    QString description;  // empty when unknown
    QString manufacturer; // empty when unknown
    std::optional<int> portNo;
};

// The serial devices the system reports (pseudo-terminals are not among them).
QList<SystemPort> systemPorts(const QString& programDir);

} // namespace lnk
