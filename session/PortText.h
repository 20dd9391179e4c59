#pragma once

#include "link/Exchange.h"
#include "link/Line.h"

#include <QString>

// Ports as people write them, and an exchange's failure as people read it: shared by every
// front end and the fleet, so a port or a failure reads the same everywhere.
namespace session {

struct PortParse
{
    lnk::PortRef port;
    QString error; // says what is wrong, quoting the text; empty when port is usable
};

// A panel port number 0..255, a device path, or a tcp:// or rfc2217:// address.
PortParse parsePort(const QString& text);

// The port as one text: the number for a panel port, otherwise the address written the one way
// the program writes it, so the same server is the same port.
QString portText(const lnk::PortRef& port);

// The panel's message for a failed exchange, followed by the line's own words in brackets:
// "Error RS232, ... (port missing: No serial device for port number 9)".
QString failureText(const lnk::ExchangeResult& result);

} // namespace session
