#pragma once

#include "link/Line.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace lnk {

// The serial layer an exchange needs: select a numbered port, set the line parameters,
// open, write one byte, count and read what waits, wait for data, close.
// Implemented on a real port and by an in-memory double for tests.
//
// After open() has succeeded, a failing operation records a fault; fault() keeps the first one
// until the next open.
class SerialLine
{
public:
    virtual ~SerialLine() = default;

    // 1 = the first serial port of the system. Applied at the next open.
    virtual void setPort(int portNo) = 0;
    // "1200,N,8,2" style: baud rate, parity letter, data bits, stop bits.
    virtual void setSettings(const QString& settings) = 0;

    // Opens the port and clears stale input. False when it is missing, busy or refused.
    virtual bool open() = 0;
    virtual bool isOpen() const = 0;

    // Queues one byte for sending, in order. False when the line refuses it.
    virtual bool writeByte(quint8 byte) = 0;

    // Received bytes not yet read; negative when the line failed.
    virtual int bytesWaiting() = 0;
    // All received bytes; empties the receive buffer. Check fault() for failures.
    virtual QByteArray readAllWaiting() = 0;

    // Sleeps until at least `count` bytes wait or the timeout passes; returns the count waiting
    // then. A negative result means the line failed (device gone). Running out of time is no
    // failure. `idle`, when given, is called now and then during the wait (the panel repaints
    // there); it must not start another exchange.
    virtual int waitForBytes(int count, std::chrono::milliseconds timeout,
                             const std::function<void()>& idle) = 0;

    // Sends everything queued, then closes. False when the queued bytes could not be sent;
    // the port is closed either way.
    virtual bool close() = 0;

    // The first failure since the last open (or the open's own failure).
    virtual LineFault fault() const = 0;
    // Description of the last failure, for logs and messages.
    virtual QString lastError() const = 0;
};

} // namespace lnk
