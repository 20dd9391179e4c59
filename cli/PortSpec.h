#pragma once

#include "cli/Arguments.h"
#include "link/Line.h"
#include "session/PortText.h"
#include "storage/FileError.h"

#include <QList>
#include <QString>

// The ports a command runs on, as the command line and ports files name them: a panel port
// number 0..255 (reached as the panel reaches it, through the data folder), a device path, or a
// tcp:// or rfc2217:// address.
namespace cli {

// Read as the rest of the program reads ports.
using session::parsePort;
using session::PortParse;

// One port a line, blank lines and # comments skipped. Read as the panel reads its small
// files: anything but a regular file of at most 64 KiB is refused before a byte is read.
storage::FileResult<QStringList> readPortsFile(const QString& path);

struct PortsExpansion
{
    QList<lnk::PortRef> ports;
    QString error; // a usage error: a port that does not parse, a file that cannot be read
};

// Every port in the order given, each checked; the same port twice is refused, since two
// exchanges at once on one port would fight over it.
PortsExpansion expandPorts(const QList<PortSource>& sources);

// The port as part of a file name: COM3, ttyUSB0, 192.0.2.10-4001.
QString fileSafeName(const lnk::PortRef& port);

inline constexpr char kPortPlaceholder[] = "{port}";

// The output path for a port: every {port} replaced by the port's file-safe name.
QString outputPathFor(const QString& pattern, const lnk::PortRef& port);

} // namespace cli
