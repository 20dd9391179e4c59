#pragma once

#include "link/SerialLine.h"

#include <memory>

class QSerialPort;

namespace lnk {

// The serial layer on a real port (Qt Serial Port). Port numbers keep their meaning,
// 1 = the first serial port; the program directory may map them to other devices.
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
    int waitForBytes(int count, std::chrono::milliseconds timeout) override;
    bool close() override;
    QString lastError() const override;

private:
    QString m_programDir;
    int m_portNo = 1;
    QString m_settings;
    QString m_lastError;
    std::unique_ptr<QSerialPort> m_port;
};

} // namespace lnk
