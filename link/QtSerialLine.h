#pragma once

#include "link/LineSettings.h"
#include "link/SerialLine.h"

#include <memory>
#include <optional>

class QSerialPort;

namespace lnk {

// The serial layer on a real port (Qt Serial Port). Port numbers keep their meaning,
// 1 = the first serial port; the program directory may map them to other devices (PortNames.h).
//
// Qt Serial Port only moves bytes between its buffers and the device from the event loop or a
// waitFor... call, and the panel runs its exchanges without an event loop. So writes are pushed
// out by the drain before close, input is pulled in by waitForReadyRead on one deadline, and
// stale input is dropped at open. Flow control and the modem lines are left alone: a
// pseudo-terminal refuses DTR/RTS.
class QtSerialLine : public SerialLine
{
public:
    explicit QtSerialLine(const QString& programDir);
    ~QtSerialLine() override;

    void setPort(int portNo) override;
    void setSettings(const QString& settings) override;
    bool open() override;
    bool isOpen() const override;
    bool writeByte(quint8 byte) override;
    int bytesWaiting() override;
    QByteArray readAllWaiting() override;
    int waitForBytes(int count, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle) override;
    bool close() override;
    LineFault fault() const override { return m_fault; }
    QString lastError() const override { return m_lastError; }

private:
    bool fail(LineFault fault, const QString& what);
    bool failFromPort(LineFault otherwise);
    bool portErrorIsFault() const;
    bool hungUp() const;
    bool pullInput();
    bool drain();

    QString m_programDir;
    int m_portNo = 1;
    QString m_settings;
    std::optional<LineSettings> m_lineSettings;
    LineFault m_fault = LineFault::None;
    QString m_lastError;
    int m_bytesWritten = 0;
    std::unique_ptr<QSerialPort> m_port;
};

} // namespace lnk
