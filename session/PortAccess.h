#pragma once

#include "link/Line.h"
#include "link/PortListing.h"

#include <QString>

// How a front end reaches ports without reaching into the link layer: the data folder that port
// numbers resolve through, what they reach from it, and a port as part of a file name.
namespace session {

// The data folder a program in programDir uses: the program folder when it can be written,
// otherwise the per-user one.
QString dataFolder(const QString& programDir);

// The settings file in the data folder.
QString settingsFilePath(const QString& dataDir);
// The port the settings file names: port 1 when the file cannot be read.
lnk::PortRef settingsPort(const QString& dataDir);

// What the port numbers reach from the data folder: map entries, ports/ links, system ports.
lnk::PortListing portListing(const QString& dataDir);

// The port as part of a file name: COM3, ttyUSB0, 192.0.2.10-4001.
QString portFileName(const lnk::PortRef& port);

} // namespace session
