#pragma once

#include "link/Line.h"

#include <QString>

// What a port reaches, as one text two ports can be compared by, without asking a name server:
// a port number, its ports/ link (or ports.ini entry) and the device behind it are one port;
// tcp:// and rfc2217:// to one host and port are one port; host names compare in lower case, and
// localhost, 127.0.0.1 and [::1] are one host. Sites are told apart by it, and the program's
// exchanges take turns by it.
namespace session {

// dataDir: where port numbers resolve (ports.ini, ports/).
QString portIdentity(const lnk::PortRef& port, const QString& dataDir);
// A port as the store keeps it; a text that does not parse is its own identity.
QString portIdentity(const QString& portText, const QString& dataDir);

} // namespace session
