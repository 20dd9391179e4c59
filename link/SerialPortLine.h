#pragma once

#include "link/Line.h"

#include <QTimer>

class QSerialPort;

namespace lnk {

class TransmitDrain;

// A serial device through Qt Serial Port: a UART, a USB adapter, a pseudo-terminal. Flow control
// and the modem lines are left alone (a pseudo-terminal refuses DTR/RTS). close() waits until
// Qt's buffer and then the system's transmit queue are empty, on a deadline of twice the line
// time of what was written plus a margin.
class SerialPortLine : public Line
{
    Q_OBJECT

public:
    // device: the path to open ("/dev/ttyUSB0", "COM3").
    explicit SerialPortLine(const QString& device, QObject* parent = nullptr);
    ~SerialPortLine() override;

    QString target() const override { return m_device; }
    void open(const LineSettings& settings) override;
    bool isOpen() const override { return m_port != nullptr; }
    void write(const QByteArray& bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray readAll() override;
    void close() override;
    void abort() override;

private:
    void onError();
    void onBytesWritten(qint64 count);
    void startSystemDrain();
    void onDrainDeadline();
    void finishClose(LineFault fault, const QString& detail);
    void fail(LineFault fault, const QString& detail);
    // What was not yet on the line when an exchange is given up is thrown away; after a drain
    // nothing is pending, and flushing then would take the bytes a pseudo-terminal still holds
    // from its reader.
    enum class Pending
    {
        Discard,
        Keep,
    };
    void release(Pending pending = Pending::Discard);

    QString m_device;
    LineSettings m_settings;
    QSerialPort* m_port = nullptr;
    TransmitDrain* m_drain = nullptr;
    QTimer m_drainDeadline;
    qint64 m_bytesWritten = 0;
    bool m_closing = false;
};

} // namespace lnk
