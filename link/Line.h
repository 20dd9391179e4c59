#pragma once

#include "link/LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The line to one port: a serial device, a network serial server, or a test double. An exchange
// opens it, writes, reads what arrives, and closes it again; the same line may be opened again
// for the next exchange. Everything happens on the event loop: each step ends in a signal.
// The folder's namespace is lnk, not link: POSIX declares a function link() at global scope, and
// a namespace of the same name there would not compile.
namespace lnk {

// Why a line failed. The exchange only tells "open failed" from "failed later", but keeping the
// cause lets messages, logs and tests say what happened.
enum class LineFault
{
    None,
    PortMissing,    // open: nothing reaches this port (no device, unknown host)
    PortBusy,       // open: in use by another program or client, or not permitted
    OpenRefused,    // open: the device, the server or the line settings were refused
    AddressInvalid, // open: the port's address cannot be used as written
    ConnectTimeout, // open: a network server did not answer in time
    WriteRefused,   // a byte could not be queued or sent
    ReadRefused,    // the receive side failed
    DeviceGone,     // the device or the connection went away while open
    DrainTimeout,   // queued bytes did not leave in time
    ProtocolFault,  // open: a network server broke its protocol (e.g. endless negotiation)
};

// Short English words for a fault, for logs: "port missing", "device gone".
QString faultName(LineFault fault);

class Line : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // What this line reaches, for messages and logs: "/dev/ttyUSB0", "rfc2217://host:4001".
    virtual QString target() const = 0;

    // Starts opening the port with these settings; ends in opened() or openFailed(). Input left
    // over from before the open is never handed out as received.
    virtual void open(const LineSettings& settings) = 0;
    virtual bool isOpen() const = 0;

    // Queues bytes for sending, in order. bytesWritten() follows as they are handed on.
    virtual void write(const QByteArray& bytes) = 0;

    // Received bytes not taken yet, and taking them (empties the receive buffer).
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;

    // Sends everything queued until it has left on the line, then closes; ends in closed().
    virtual void close() = 0;
    // Closes at once, dropping what is queued. No signal follows.
    virtual void abort() = 0;

Q_SIGNALS:
    void opened();
    void openFailed(lnk::LineFault fault, const QString& detail);
    // Bytes handed on towards the line (to the system's queue or the network).
    void bytesWritten(qint64 count);
    // New bytes wait in the receive buffer.
    void received();
    // A failure after open. The line has closed itself, dropping what was queued and received.
    void failed(lnk::LineFault fault, const QString& detail);
    // close() is done: fault None means every byte reached the line.
    void closed(lnk::LineFault fault, const QString& detail);
};

// Which port an exchange uses: a panel port number (resolved through the data folder), or an
// address given as it is (a device path, tcp://HOST:PORT or rfc2217://HOST:PORT).
struct PortRef
{
    int number = -1; // 0..255 for a panel port number
    QString address; // used when number < 0

    bool isNumber() const { return number >= 0; }
    // "COM3" for a number, the address otherwise.
    QString name() const;

    bool operator==(const PortRef&) const = default;
};

// Hands out the line for a port. It owns its lines; a line stays valid until the next call.
class LineProvider
{
public:
    virtual ~LineProvider() = default;
    virtual Line& lineFor(const PortRef& port) = 0;
};

} // namespace lnk
