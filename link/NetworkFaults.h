#pragma once

#include "link/Line.h"

#include <QAbstractSocket>
#include <QByteArray>

// What a network failure means for an exchange.
namespace lnk {

// A connect that failed: no such host, nobody listening, no route all mean nothing reaches the
// port; anything else is a refusal.
LineFault connectFault(QAbstractSocket::SocketError error);

// A server that hung up during the open, with what it said first (its data bytes). A server
// that takes one client at a time says so ("Port already in use") before it hangs up on the
// next, or says nothing; other words are a refusal ("Device open failure").
struct HangUp
{
    LineFault fault = LineFault::PortBusy;
    QString detail; // quotes the server's words, if any
};
HangUp hangUpDuringOpen(const QString& target, const QByteArray& serverWords);

} // namespace lnk
